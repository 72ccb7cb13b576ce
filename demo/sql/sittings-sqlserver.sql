-- Exam sittings of the examination suite, SQL Server form, beside the tables of
-- attempts-sqlserver.sql. A database without these tables draws every paper from "Exam File".
-- Times are local. A sitting admits the units of its SittingUnit rows (an empty Fac admits the
-- whole town) or, without rows, everybody.
CREATE TABLE Sitting (
    Id INT IDENTITY(1,1) PRIMARY KEY,
    Title NVARCHAR(400) NOT NULL,
    OpensAt DATETIME NOT NULL,
    ClosesAt DATETIME NOT NULL,
    PassMark INT
);
CREATE TABLE SittingPaper (
    SittingId INT NOT NULL,
    PaperSha256 CHAR(64) NOT NULL,
    PRIMARY KEY (SittingId, PaperSha256)
);
CREATE TABLE SittingUnit (
    SittingId INT NOT NULL,
    Town NVARCHAR(100) NOT NULL,
    Fac NVARCHAR(200) NOT NULL DEFAULT '',
    PRIMARY KEY (SittingId, Town, Fac)
);
CREATE TABLE Roster (
    Town NVARCHAR(100) NOT NULL,
    Fac NVARCHAR(200) NOT NULL,
    Name NVARCHAR(100) NOT NULL,
    PRIMARY KEY (Town, Fac, Name)
);
CREATE TABLE AttemptStart (
    Token VARCHAR(36) PRIMARY KEY,
    SittingId INT,
    Town NVARCHAR(100),
    Fac NVARCHAR(200),
    Name NVARCHAR(100),
    PaperSha256 CHAR(64) NOT NULL,
    StartTime DATETIME
);
CREATE INDEX AttemptStart_SittingId ON AttemptStart (SittingId);
