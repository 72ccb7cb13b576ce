-- Attempt records of the examination suite, PostgreSQL form, beside the tables of
-- schema-postgresql.sql. A database without these tables still takes score rows. Times are
-- local; Token is the random UUID that names one attempt.
CREATE TABLE Paper (
    Sha256 CHAR(64) PRIMARY KEY,
    Title VARCHAR(400) NOT NULL,
    Bytes BYTEA NOT NULL
);
-- Whoever inserts a paper, its bytes must be those its hash names (lower-case hex, as the suite
-- writes it); the programs trust a paper found under a hash.
ALTER TABLE Paper ADD CONSTRAINT Paper_Bytes_Sha256
    CHECK (encode(sha256(Bytes), 'hex') = lower(Sha256));
CREATE TABLE Attempt (
    Token VARCHAR(36) PRIMARY KEY,
    Town VARCHAR(100),
    Fac VARCHAR(200),
    Name VARCHAR(100),
    Score INTEGER,
    STime TIMESTAMP(0),
    PaperSha256 CHAR(64) NOT NULL,
    StartTime TIMESTAMP(0),
    EndTime TIMESTAMP(0),
    Ending VARCHAR(8) NOT NULL CHECK (Ending IN ('handin', 'timeout', 'abandon')),
    Elapsed INTEGER NOT NULL,
    Resumes INTEGER NOT NULL DEFAULT 0,
    AwaySeconds INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX Attempt_PaperSha256 ON Attempt (PaperSha256);
CREATE INDEX Attempt_STime ON Attempt (STime);
CREATE TABLE AttemptAnswer (
    Token VARCHAR(36) NOT NULL,
    Question INTEGER NOT NULL,
    Answer TEXT NOT NULL DEFAULT '',
    Marks INTEGER NOT NULL,
    FullMarks INTEGER NOT NULL,
    PRIMARY KEY (Token, Question)
);
ALTER TABLE AttemptAnswer ADD CONSTRAINT AttemptAnswer_Token
    FOREIGN KEY (Token) REFERENCES Attempt (Token);
