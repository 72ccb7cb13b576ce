-- Attempt records of the examination suite, SQLite form, beside the tables of schema-sqlite.sql.
-- A database without these tables still takes score rows. Times are local,
-- "yyyy-MM-dd HH:mm:ss"; Token is the random UUID that names one attempt.
CREATE TABLE Paper (
    Sha256 TEXT PRIMARY KEY,
    Title TEXT NOT NULL,
    Bytes BLOB NOT NULL
);
CREATE TABLE Attempt (
    Token TEXT PRIMARY KEY,
    Town TEXT,
    Fac TEXT,
    Name TEXT,
    Score INTEGER,
    STime DATETIME,
    PaperSha256 TEXT NOT NULL,
    StartTime DATETIME,
    EndTime DATETIME,
    Ending TEXT NOT NULL CHECK (Ending IN ('handin', 'timeout', 'abandon')),
    Elapsed INTEGER NOT NULL,
    Resumes INTEGER NOT NULL DEFAULT 0,
    AwaySeconds INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX Attempt_PaperSha256 ON Attempt (PaperSha256);
CREATE INDEX Attempt_STime ON Attempt (STime);
CREATE TABLE AttemptAnswer (
    Token TEXT NOT NULL,
    Question INTEGER NOT NULL,
    Answer TEXT NOT NULL DEFAULT '',
    Marks INTEGER NOT NULL,
    FullMarks INTEGER NOT NULL,
    PRIMARY KEY (Token, Question)
);
