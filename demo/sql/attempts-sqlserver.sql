-- Attempt records of the examination suite, SQL Server form, beside the tables of
-- schema-sqlserver.sql. Times are local; Token is the random UUID that names one attempt.
CREATE TABLE Paper (
    Sha256 CHAR(64) PRIMARY KEY,
    Title NVARCHAR(400) NOT NULL,
    Bytes VARBINARY(MAX) NOT NULL
);
CREATE TABLE Attempt (
    Token VARCHAR(36) PRIMARY KEY,
    Town NVARCHAR(100),
    Fac NVARCHAR(200),
    Name NVARCHAR(100),
    Score INT,
    STime DATETIME,
    PaperSha256 CHAR(64) NOT NULL,
    StartTime DATETIME,
    EndTime DATETIME,
    Ending VARCHAR(8) NOT NULL CHECK (Ending IN ('handin', 'timeout', 'abandon')),
    Elapsed INT NOT NULL,
    Resumes INT NOT NULL DEFAULT 0,
    AwaySeconds INT NOT NULL DEFAULT 0
);
CREATE INDEX Attempt_PaperSha256 ON Attempt (PaperSha256);
CREATE INDEX Attempt_STime ON Attempt (STime);
CREATE TABLE AttemptAnswer (
    Token VARCHAR(36) NOT NULL,
    Question INT NOT NULL,
    Answer NVARCHAR(1024) NOT NULL DEFAULT '',
    Marks INT NOT NULL,
    FullMarks INT NOT NULL,
    PRIMARY KEY (Token, Question)
);
