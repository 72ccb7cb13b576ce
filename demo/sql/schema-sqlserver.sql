-- Tables of the examination suite, SQL Server form. STime holds local time. The ids start at 1,
-- so "id=0" selects no row.
CREATE TABLE town (
    id INT IDENTITY(1,1) PRIMARY KEY,
    name NVARCHAR(100) NOT NULL
);
CREATE TABLE Fac (
    id INT IDENTITY(1,1) PRIMARY KEY,
    name NVARCHAR(200) NOT NULL,
    Belong NVARCHAR(100) NOT NULL,
    type BIT NOT NULL DEFAULT 0
);
CREATE TABLE Score (
    id INT IDENTITY(1,1) PRIMARY KEY,
    Town NVARCHAR(100),
    Fac NVARCHAR(200),
    Name NVARCHAR(100),
    Score INT,
    STime DATETIME
);
CREATE INDEX Score_STime ON Score (STime);
