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

-- A desk adds answers only to the attempt it records in the same transaction, as exam does: it
-- can neither add to an attempt recorded before nor plant answers under a token of no attempt.
-- Whether the attempt is this transaction's own is read from its row version (xmin), by a
-- function that runs as the tables' owner, since the desk cannot read Attempt; its search path
-- is fixed and the table named with its schema, so that no object of the desk's can stand in.
DO $$
BEGIN
    EXECUTE format($function$
        CREATE OR REPLACE FUNCTION %1$I.attempt_of_this_transaction(attempt_token text)
        RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
        SET search_path = pg_catalog, pg_temp
        AS $body$
            SELECT EXISTS (SELECT 1 FROM %1$I.Attempt
                           WHERE Token = attempt_token
                             AND xmin::text = pg_current_xact_id()::xid::text)
        $body$
    $function$,
        (SELECT n.nspname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
         WHERE c.oid = 'attempt'::regclass));
END
$$;
REVOKE ALL ON FUNCTION attempt_of_this_transaction(text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION attempt_of_this_transaction(text) TO exam_desk;

ALTER TABLE AttemptAnswer ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS answer_read ON AttemptAnswer;
CREATE POLICY answer_read ON AttemptAnswer FOR SELECT USING (true);
DROP POLICY IF EXISTS answer_append ON AttemptAnswer;
CREATE POLICY answer_append ON AttemptAnswer FOR INSERT WITH CHECK (true);
DROP POLICY IF EXISTS answer_append_desk ON AttemptAnswer;
CREATE POLICY answer_append_desk ON AttemptAnswer AS RESTRICTIVE FOR INSERT TO exam_desk
    WITH CHECK (attempt_of_this_transaction(Token));
