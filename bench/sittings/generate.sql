-- A sitting of 20,000 people on the roster over 400 units (20 towns of 20 units), open now: 17,000
-- of them sat it, 60,000 attempts in all, 500 are still in the exam, and 200 people who sat it
-- are not on the roster. Read by bench/sittings/run.sh into a database made from demo/sql.
INSERT INTO Sitting (Id, Title, OpensAt, ClosesAt, PassMark)
VALUES (1, '基准场次', '2000-01-01 00:00:00', '2099-01-01 00:00:00', 60);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999)
INSERT INTO Roster (Town, Fac, Name)
SELECT '乡镇' || (i / 1000), '单位' || (i / 50), '考生' || i FROM n;
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 59999)
INSERT INTO AttemptStart (Token, SittingId, Town, Fac, Name, PaperSha256, StartTime)
SELECT 't' || i, 1, '乡镇' || (p / 1000), '单位' || (p / 50),
       CASE WHEN i % 300 = 0 THEN '外来' || i ELSE '考生' || p END,
       'aaaa', '2026-12-10 09:00:00'
FROM (SELECT i, (i * 7919) % 17000 AS p FROM n);
INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, PaperSha256, Ending, Elapsed)
SELECT Token, Town, Fac, Name, (CAST(substr(Token, 2) AS INTEGER) * 37) % 101,
       '2026-12-10 09:40:00', PaperSha256, 'handin', 1800
FROM AttemptStart;
WITH RECURSIVE n(i) AS (SELECT 17000 UNION ALL SELECT i + 1 FROM n WHERE i < 17499)
INSERT INTO AttemptStart (Token, SittingId, Town, Fac, Name, PaperSha256, StartTime)
SELECT 'r' || i, 1, '乡镇' || (i / 1000), '单位' || (i / 50), '考生' || i, 'aaaa',
       '2026-12-10 09:00:00' FROM n;
