-- The tables of the program's database. Texts are stored as SQLite text (UTF-8); student numbers,
-- grade codes and exam numbers are TEXT so that leading zeros stay; scores are REAL.
-- Statements end with ';' at the end of a line; the shipped-database tool runs them one by one.

CREATE TABLE tavrinGrade (
    id INTEGER,
    mydesc TEXT,
    gradeno TEXT
);

CREATE TABLE tavrinKMK (
    id INTEGER,
    fldname TEXT,
    mydesc TEXT,
    type TEXT
);

CREATE TABLE tavrinKSMC (
    id INTEGER,
    mydesc TEXT
);

CREATE TABLE tavrinDJZ (
    id INTEGER,
    mydesc TEXT
);

-- A deleted exam's id is never given again: every other table refers to an exam by it.
CREATE TABLE tavrinKSLB (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    mydesc TEXT,
    grade TEXT,
    ksrq TEXT,
    yjcd TEXT
);

CREATE TABLE tavrinName (
    id INTEGER,
    grade char(5),
    studentid TEXT,
    name TEXT,
    class INTEGER,
    active TEXT,
    gender TEXT,
    worl TEXT,
    kh char(4),
    xjType char(2),
    AB char(1)
);

CREATE INDEX tavrinName_student ON tavrinName (studentid);

-- Subject columns sNN (weighted score) and sNN1, sNN2 (papers I and II) are added with each
-- subject; the shipped file carries those of its nine subjects.
CREATE TABLE tavrinKSK (
    id INTEGER,
    grade char(5),
    studentid TEXT,
    name TEXT,
    class INTEGER,
    gender TEXT,
    worl TEXT,
    ab char(1),
    xjtype char(2),
    kh char(4),
    cid INTEGER,
    sum1 REAL,
    sum2 REAL,
    sum3 REAL
);

CREATE INDEX tavrinKSK_exam_student ON tavrinKSK (id, studentid);
CREATE INDEX tavrinKSK_exam_class ON tavrinKSK (id, class);

CREATE TABLE tavrinKMWGT (
    id INTEGER,
    kmfld TEXT,
    t1 REAL,
    t2 REAL,
    t1w REAL,
    t2w REAL
);

CREATE INDEX tavrinKMWGT_exam ON tavrinKMWGT (id, kmfld);

CREATE TABLE tavrinXJLB (
    xjtype char(2) PRIMARY KEY,
    xjdesc char(10)
);

-- The valid totals (sumno 1 to 3 for sum1 to sum3) of an exam whose marks changed after they were
-- computed: every mark written adds its exam's rows, computing a total removes its row.
CREATE TABLE tavrinSumState (
    id INTEGER NOT NULL,
    sumno INTEGER NOT NULL,
    PRIMARY KEY (id, sumno)
);

-- The subjects each valid total (sumno 1 to 3) of an exam was last computed from, the subject
-- numbers joined by commas ("" for none): a total out of date is recomputed from these.
CREATE TABLE tavrinSumKM (
    id INTEGER NOT NULL,
    sumno INTEGER NOT NULL,
    kmnos TEXT NOT NULL,
    PRIMARY KEY (id, sumno)
);
