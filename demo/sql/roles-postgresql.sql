-- Roles of the examination suite on PostgreSQL, run by the owner of the tables after
-- schema-postgresql.sql and attempts-postgresql.sql. Running it again changes nothing.
-- exam_desk, the desks' account, reads the towns and units and appends score rows and attempt
-- records, but sees no score row and can change none. exam_admin, the administrator's account,
-- reads every table. Passwords are set separately (ALTER ROLE ... PASSWORD).
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'exam_desk') THEN
        CREATE ROLE exam_desk LOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'exam_admin') THEN
        CREATE ROLE exam_admin LOGIN;
    END IF;
END
$$;

REVOKE ALL ON town, Fac, Score, Paper, Attempt, AttemptAnswer FROM exam_desk, exam_admin;
GRANT SELECT ON town, Fac TO exam_desk;
-- SELECT lets the desk open "select * from Score where id=0"; the policies below show it no row.
GRANT SELECT, INSERT ON Score TO exam_desk;
GRANT INSERT ON Paper, Attempt, AttemptAnswer TO exam_desk;
GRANT SELECT ON town, Fac, Score, Paper, Attempt, AttemptAnswer TO exam_admin;

-- Row-level security on Score: every account but the desks' keeps reading every row, so an
-- account the site used before keeps working; the table's owner is not subject to it.
ALTER TABLE Score ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS score_append ON Score;
CREATE POLICY score_append ON Score FOR INSERT WITH CHECK (true);
DROP POLICY IF EXISTS score_read ON Score;
CREATE POLICY score_read ON Score FOR SELECT
    USING (NOT pg_has_role(current_user, 'exam_desk', 'MEMBER'));
