#!/usr/bin/env python3
"""Crash loop: starts exam's start-up with a scripted examinee (crashloop_examinee) again and
again, kills it with SIGKILL at random moments, starts it again, and checks that nothing was lost.

Each examinee takes one exam: logged in once, then answering and, at some start, handing in. A
kill may hit the login, the answering, the hand-in's recording or the end. After every restart
the resumed answers must be those the examinee had finished (only the answer being clicked may
differ), the clock must not go back, and at the end the primary database must hold exactly one
row for the examinee, with the score last computed before the hand-in, and exactly one attempt
with that score and, for every question, the answer the examinee last gave.

  tools/crashloop/run.py [--exams N] [--build DIR] [--seed S]

Not part of the test run; scripts/build.sh builds the examinee first.
"""

import argparse
import os
import random
import select
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def prepare(folder, examinee):
    subprocess.run([examinee, "--prepare", folder], check=True)
    schema = (ROOT / "demo/sql/schema-sqlite.sql").read_text(encoding="utf-8")
    attempts = (ROOT / "demo/sql/attempts-sqlite.sql").read_text(encoding="utf-8")
    for name in ("korvend.db", "exam.db"):
        with sqlite3.connect(os.path.join(folder, name)) as db:
            db.executescript(schema)
            if name == "korvend.db":
                db.executescript(attempts)
            db.execute("insert into town (name) values ('安平镇')")
            db.execute("insert into Fac (name, Belong, type) values ('安平镇中学', '安平镇', 0)")
    with open(os.path.join(folder, "DBConifg.ini"), "w", encoding="utf-8", newline="") as ini:
        ini.write(f"[DBConifg]\r\nConnectionString=Provider=SQLite;Data Source={folder}/korvend.db\r\n"
                  f"[SqlDBConifg]\r\nConnectionString=Provider=SQLite;Data Source={folder}/exam.db\r\n")


class Tally:
    def __init__(self):
        self.runs = self.kills = self.lost = self.time_back = 0
        self.duplicates = self.missing = self.wrong_scores = 0
        self.attempts_wrong = self.answers_wrong = 0
        self.resumes = self.completions = 0


class Exam:
    """What one examinee has done so far, as the printed steps tell it."""

    def __init__(self, name):
        self.name = name
        self.started = False
        self.done = False
        self.answers = {}  # question -> answer the examinee finished
        self.clicking = None  # question whose click has not finished
        self.elapsed = 0
        self.score = None

    def take(self, line, tally, restarted):
        """Notes one printed step; returns its first word."""
        word, _, rest = line.partition(" ")
        if word == "STARTED":
            self.started = True
        elif word == "RESUMED":
            self.started = True
            tally.resumes += 1
            if int(rest) < self.elapsed:
                tally.time_back += 1
        elif word == "STATE":
            question, _, answer = rest.partition(" ")
            question = int(question)
            kept = self.answers.get(question)
            if kept is not None and kept != answer and question != self.clicking:
                tally.lost += 1
            self.answers[question] = answer
        elif word == "CLICK":
            self.clicking = int(rest)
        elif word == "ANSWER":
            question, _, answer = rest.partition(" ")
            self.answers[int(question)] = answer
            self.clicking = None
        elif word == "ELAPSED":
            self.elapsed = max(self.elapsed, int(rest))
        elif word == "SCORE":
            self.score = rest
        elif word == "BOX" and rest.startswith("上次考试的成绩已补记"):
            tally.completions += 1
        elif word == "ENDED" or (word == "LOGIN" and restarted):
            self.done = True
        return word


def run_once(examinee, folder, exam, seed, tally, kill_after, kill_in_hand_in):
    """One start of the examinee, killed after kill_after seconds (None: not on a timer) or,
    when kill_in_hand_in is a number, that many seconds after the hand-in began."""
    restarted = exam.started
    child = subprocess.Popen(
        [examinee, folder, exam.name, "restart" if restarted else "fresh", str(seed)],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
        env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    tally.runs += 1
    deadline = time.monotonic() + kill_after if kill_after is not None else None
    pending = b""
    while True:
        timeout = None if deadline is None else max(0.0, deadline - time.monotonic())
        ready, _, _ = select.select([child.stdout], [], [], timeout)
        if not ready:
            child.send_signal(signal.SIGKILL)
            child.wait()
            tally.kills += 1
            return
        chunk = os.read(child.stdout.fileno(), 65536)
        if not chunk:
            child.wait()
            return
        pending += chunk
        *lines, pending = pending.split(b"\n")
        for line in lines:
            if exam.take(line.decode("utf-8"), tally, restarted) == "HANDIN" and \
                    kill_in_hand_in is not None:
                deadline = time.monotonic() + kill_in_hand_in


# The examinee's paper (crashloop_examinee --prepare): twelve questions, every third a matching
# question of two items, the others choices of four options.
QUESTIONS = 12
LETTERS = "ABCD"


def notation(question, encoded):
    """An answer as the journal prints it ("1,0,1,0", "2,-1"), written as the question template's
    key column writes one: ticked letters in order, or one letter per matching item with "-"."""
    values = [int(value) for value in encoded.split(",") if value]
    if (question + 1) % 3 == 0:
        if all(value < 0 for value in values):
            return ""
        return "".join(LETTERS[value] if value >= 0 else "-" for value in values)
    return "".join(LETTERS[index] for index, value in enumerate(values) if value == 1)


def check_attempt(db, exam, score, tally):
    attempts = list(db.execute("select Token, Score from Attempt where Name = ?", (exam.name,)))
    if len(attempts) != 1 or str(attempts[0][1]) != score:
        tally.attempts_wrong += 1
        return
    given = dict(db.execute("select Question, Answer from AttemptAnswer where Token = ?",
                            (attempts[0][0],)))
    expected = {question: notation(question, exam.answers.get(question, ""))
                for question in range(QUESTIONS)}
    if given != expected:
        tally.answers_wrong += 1


def check_rows(folder, exam, tally):
    with sqlite3.connect(os.path.join(folder, "korvend.db")) as db:
        scores = [str(row[0]) for row in db.execute("select Score from Score where Name = ?",
                                                    (exam.name,))]
        if len(scores) == 1:
            check_attempt(db, exam, scores[0], tally)
    if not scores:
        tally.missing += 1
    elif len(scores) > 1:
        tally.duplicates += 1
    elif exam.score is not None and scores[0] != exam.score:
        tally.wrong_scores += 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exams", type=int, default=40)
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--seed", type=int, default=int(time.time()))
    args = parser.parse_args()
    examinee = os.path.join(args.build, "tools/crashloop/crashloop_examinee")
    if not os.access(examinee, os.X_OK):
        sys.exit(f"{examinee} is missing: run scripts/build.sh first")
    chance = random.Random(args.seed)
    tally = Tally()
    with tempfile.TemporaryDirectory(prefix="crashloop-") as folder:
        prepare(folder, examinee)
        for number in range(args.exams):
            exam = Exam(f"考生{number:03d}")
            while not exam.done:
                kill_after = chance.uniform(0.02, 1.2) if chance.random() < 0.7 else None
                # The recording lasts milliseconds: aim some kills right into it.
                kill_in_hand_in = chance.uniform(0, 0.006) if chance.random() < 0.5 else None
                run_once(examinee, folder, exam, chance.randrange(1 << 30), tally, kill_after,
                         kill_in_hand_in)
            check_rows(folder, exam, tally)
    print(f"seed {args.seed}: exams {args.exams}, runs {tally.runs}, kills {tally.kills}, "
          f"resumed {tally.resumes}, completed at the next start {tally.completions}, "
          f"answers lost {tally.lost}, clock gone back {tally.time_back}, "
          f"duplicate rows {tally.duplicates}, missing rows {tally.missing}, "
          f"wrong scores {tally.wrong_scores}, attempts missing, doubled or wrong "
          f"{tally.attempts_wrong}, recorded answers wrong {tally.answers_wrong}")
    failed = tally.lost + tally.time_back + tally.duplicates + tally.missing + tally.wrong_scores \
        + tally.attempts_wrong + tally.answers_wrong
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
