-- Exam sittings of the examination suite, SQLite form, beside the tables of attempts-sqlite.sql.
-- A database without these tables draws every paper from "Exam File". Times are local,
-- "yyyy-MM-dd HH:mm:ss". A sitting admits the units of its SittingUnit rows (an empty Fac admits
-- the whole town) or, without rows, everybody.
CREATE TABLE Sitting (
    Id INTEGER PRIMARY KEY,
    Title TEXT NOT NULL,
    OpensAt DATETIME NOT NULL,
    ClosesAt DATETIME NOT NULL,
    PassMark INTEGER
);
CREATE TABLE SittingPaper (
    SittingId INTEGER NOT NULL,
    PaperSha256 TEXT NOT NULL,
    PRIMARY KEY (SittingId, PaperSha256)
);
CREATE TABLE SittingUnit (
    SittingId INTEGER NOT NULL,
    Town TEXT NOT NULL,
    Fac TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (SittingId, Town, Fac)
);
CREATE TABLE Roster (
    Town TEXT NOT NULL,
    Fac TEXT NOT NULL,
    Name TEXT NOT NULL,
    PRIMARY KEY (Town, Fac, Name)
);
CREATE TABLE AttemptStart (
    Token TEXT PRIMARY KEY,
    SittingId INTEGER,
    Town TEXT,
    Fac TEXT,
    Name TEXT,
    PaperSha256 TEXT NOT NULL,
    StartTime DATETIME
);
CREATE INDEX AttemptStart_SittingId ON AttemptStart (SittingId);
