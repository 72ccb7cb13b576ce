-- Tables of the examination suite, SQLite form. Text is UTF-8; STime holds local time as
-- "yyyy-MM-dd HH:mm:ss". The ids start at 1, so "id=0" selects no row.
CREATE TABLE town (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL
);
CREATE TABLE Fac (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT NOT NULL,
    Belong TEXT NOT NULL,
    type BOOLEAN NOT NULL DEFAULT 0
);
CREATE TABLE Score (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    Town TEXT,
    Fac TEXT,
    Name TEXT,
    Score INTEGER,
    STime DATETIME
);
CREATE INDEX Score_STime ON Score (STime);
