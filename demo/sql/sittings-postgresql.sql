-- Exam sittings of the examination suite, PostgreSQL form, beside the tables of
-- attempts-postgresql.sql. A database without these tables draws every paper from "Exam File".
-- Times are local. A sitting admits the units of its SittingUnit rows (an empty Fac admits the
-- whole town) or, without rows, everybody.
CREATE TABLE Sitting (
    Id SERIAL PRIMARY KEY,
    Title VARCHAR(400) NOT NULL,
    OpensAt TIMESTAMP(0) NOT NULL,
    ClosesAt TIMESTAMP(0) NOT NULL,
    PassMark INTEGER
);
CREATE TABLE SittingPaper (
    SittingId INTEGER NOT NULL,
    PaperSha256 CHAR(64) NOT NULL,
    PRIMARY KEY (SittingId, PaperSha256)
);
CREATE TABLE SittingUnit (
    SittingId INTEGER NOT NULL,
    Town VARCHAR(100) NOT NULL,
    Fac VARCHAR(200) NOT NULL DEFAULT '',
    PRIMARY KEY (SittingId, Town, Fac)
);
CREATE TABLE Roster (
    Town VARCHAR(100) NOT NULL,
    Fac VARCHAR(200) NOT NULL,
    Name VARCHAR(100) NOT NULL,
    PRIMARY KEY (Town, Fac, Name)
);
CREATE TABLE AttemptStart (
    Token VARCHAR(36) PRIMARY KEY,
    SittingId INTEGER,
    Town VARCHAR(100),
    Fac VARCHAR(200),
    Name VARCHAR(100),
    PaperSha256 CHAR(64) NOT NULL,
    StartTime TIMESTAMP(0)
);
CREATE INDEX AttemptStart_SittingId ON AttemptStart (SittingId);
