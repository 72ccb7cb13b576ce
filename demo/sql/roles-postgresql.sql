-- Roles of the examination suite on PostgreSQL, run by the owner of the tables after
-- schema-postgresql.sql and attempts-postgresql.sql (and sittings-postgresql.sql, whose tables
-- get no rights while they are absent). Running it again changes nothing.
-- exam_desk, the desks' account, reads the towns and units, the sittings and the roster, appends
-- score rows, attempt records and starts, but sees no score row and can change none; it reads a
-- paper only while a sitting that holds it is open. exam_admin, the administrator's account,
-- reads every table and keeps the sittings and the roster. Passwords are set separately
-- (ALTER ROLE ... PASSWORD).
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
GRANT SELECT, INSERT ON Paper TO exam_desk;
GRANT INSERT ON Attempt, AttemptAnswer TO exam_desk;
GRANT SELECT ON town, Fac, Score, Paper, Attempt, AttemptAnswer TO exam_admin;
GRANT INSERT ON Paper TO exam_admin;

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

-- Row-level security on Paper: a desk reads a paper only while a sitting that holds it is open
-- (by the server's clock), so that nobody at a desk reads a paper and its answer key before its
-- sitting; every other account reads every row. Anybody with the right may insert a paper, as a
-- desk does for a run from "Exam File": ON CONFLICT DO NOTHING RETURNING 1 reads no column, so
-- a paper stored already, visible or not, is skipped without the desk reading it.
ALTER TABLE Paper ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS paper_append ON Paper;
CREATE POLICY paper_append ON Paper FOR INSERT WITH CHECK (true);
DROP POLICY IF EXISTS paper_read ON Paper;
CREATE POLICY paper_read ON Paper FOR SELECT
    USING (NOT pg_has_role(current_user, 'exam_desk', 'MEMBER'));
DROP POLICY IF EXISTS paper_read_desk ON Paper;

-- The sitting tables of a database made before them are skipped; examdb init --missing-only
-- adds them, and a second run of this script grants their rights.
DO $$
DECLARE
    sitting_table text;
BEGIN
    FOREACH sitting_table IN ARRAY ARRAY['sitting', 'sittingpaper', 'sittingunit', 'roster']
    LOOP
        CONTINUE WHEN to_regclass(sitting_table) IS NULL;
        EXECUTE format('REVOKE ALL ON %I FROM exam_desk, exam_admin', sitting_table);
        EXECUTE format('GRANT SELECT ON %I TO exam_desk', sitting_table);
        EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON %I TO exam_admin', sitting_table);
    END LOOP;
    IF to_regclass('attemptstart') IS NOT NULL THEN
        -- A desk posts who is in the exam, but reads nobody's start.
        REVOKE ALL ON AttemptStart FROM exam_desk, exam_admin;
        GRANT INSERT ON AttemptStart TO exam_desk;
        GRANT SELECT ON AttemptStart TO exam_admin;
    END IF;
    IF to_regclass('sitting') IS NOT NULL THEN
        EXECUTE format('REVOKE ALL ON SEQUENCE %s FROM exam_desk, exam_admin',
                       pg_get_serial_sequence('sitting', 'id'));
        EXECUTE format('GRANT USAGE ON SEQUENCE %s TO exam_admin',
                       pg_get_serial_sequence('sitting', 'id'));
    END IF;
    IF to_regclass('sitting') IS NOT NULL AND to_regclass('sittingpaper') IS NOT NULL THEN
        CREATE POLICY paper_read_desk ON Paper FOR SELECT TO exam_desk
            USING (EXISTS (SELECT 1 FROM SittingPaper p JOIN Sitting s ON s.Id = p.SittingId
                           WHERE p.PaperSha256 = Paper.Sha256
                             AND s.OpensAt <= LOCALTIMESTAMP AND LOCALTIMESTAMP < s.ClosesAt));
    END IF;
END
$$;
