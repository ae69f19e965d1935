#!/usr/bin/python3
"""What a screen-reader user meets: the real program with Qt's accessibility on, read through
AT-SPI as Orca reads it. Walks the practice and exam windows, checks the name, role and
description of every focusable control, and does a practice round and an exam by AT-SPI actions
and the keyboard, hearing each step as an AT-SPI event.

Usage: walk.py PROGRAM BANK.db  (run inside a session bus and an X display: see run.sh)."""

import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

PROGRAM, BANK = sys.argv[1], sys.argv[2]
failures = []
events = []
ctx = GLib.MainContext.default()


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def pump(seconds):
    end = time.time() + seconds
    while time.time() < end:
        while ctx.iteration(False):
            pass
        time.sleep(0.02)


def wait_for(predicate, seconds=8.0):
    end = time.time() + seconds
    while time.time() < end:
        pump(0.05)
        value = predicate()
        if value:
            return value
    return predicate()


def on_event(event):
    try:
        role, name = event.source.getRoleName(), event.source.name
    except Exception:  # the object went meanwhile
        role, name = "", ""
    events.append((event.type, role, name))


def heard(pattern, since, kind="accessible-name", role=None):
    """An event since index `since` whose object's name (now) matches the pattern."""
    for etype, erole, name in events[since:]:
        if kind in etype and (role is None or erole == role) and re.search(pattern, name or ""):
            return name
    return None


def announced(pattern, since, seconds=8.0):
    return wait_for(lambda: heard(pattern, since, role="status bar"), seconds)


def objects(root, limit=4000):
    out, stack = [], [root]
    while stack and len(out) < limit:
        o = stack.pop()
        if o is None:
            continue
        out.append(o)
        try:
            if o.getRoleName() in ("table", "tree table"):
                continue  # cells are read through the table interface
            stack.extend(reversed([c for c in o]))
        except Exception:
            pass
    return out


def find(root, name=None, role=None, pattern=None, showing=True):
    for o in objects(root):
        try:
            if role and o.getRoleName() != role:
                continue
            if name is not None and o.name != name:
                continue
            if pattern is not None and not re.search(pattern, o.name or ""):
                continue
            if showing and not o.getState().contains(pyatspi.STATE_SHOWING):
                continue
            return o
        except Exception:
            continue
    return None


def wait_find(root, **kw):
    return wait_for(lambda: find(root, **kw))


def act(o, action=0):
    o.queryAction().doAction(action)


KEYSYMS = {"Tab": 0xFF09, "Return": 0xFF0D, "Down": 0xFF54, "Escape": 0xFF1B}
# Modifiers are held by key code (the virtual screen's keyboard: evdev codes).
MODIFIER_CODES = {"Alt_L": 64, "Control_L": 37}


def press(sym, modifiers=()):
    for m in modifiers:
        pyatspi.Registry.generateKeyboardEvent(MODIFIER_CODES[m], None, pyatspi.KEY_PRESS)
    code = KEYSYMS.get(sym, ord(sym) if len(sym) == 1 else 0)
    pyatspi.Registry.generateKeyboardEvent(code, None, pyatspi.KEY_SYM)
    for m in reversed(modifiers):
        pyatspi.Registry.generateKeyboardEvent(MODIFIER_CODES[m], None, pyatspi.KEY_RELEASE)
    pump(0.4)


def type_text(text):
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)
    pump(0.4)


def text_of(o):
    t = o.queryText()
    return t.getText(0, t.characterCount)


BAD_NAMES = {"", "|<", "<", ">", ">|", "工具栏"}
# Name → roles it may have: the controls every answering window must offer by name.
ANSWER_CONTROLS = {
    "第一题": {"push button"}, "上一题": {"push button"}, "下一题": {"push button"},
    "最后一题": {"push button"}, "保存": {"push button"}, "题号": {"text", "entry"},
    "题目": {"text", "paragraph"}, "答案": {"text", "paragraph"},
    "A": {"check box"}, "B": {"check box"}, "对": {"check box"}, "错": {"check box"},
}
PRACTICE_CONTROLS = dict(ANSWER_CONTROLS, **{
    "语速": {"slider"}, "顺序": {"radio button"}, "随机": {"radio button"}, "错题": {"radio button", "table", "page tab"},
    "朗读": {"push button"}, "标准答案": {"text", "paragraph"}, "解析": {"text", "paragraph"},
})
EXAM_CONTROLS = dict(ANSWER_CONTROLS, **{
    "考号": {"combo box"}, "场次": {"combo box"}, "姓名": {"text", "entry"},
    "开始": {"push button"}, "交卷": {"push button"},
})


def check_controls(window, expected, what):
    seen = {}
    nameless = []
    for o in objects(window):
        try:
            state = o.getState()
            if not state.contains(pyatspi.STATE_FOCUSABLE):
                continue
            role, name = o.getRoleName(), o.name
        except Exception:
            continue
        if role in ("scroll bar",) or (role == "push button" and name in ("向左滚动", "向右滚动")):
            continue
        if name in BAD_NAMES:
            nameless.append(role + " " + repr(name))
        seen.setdefault(name, set()).add(role)
        if role in ("push button", "check box") and name in expected:
            check(bool(o.description), f"{what}: {name} has a description ({o.description!r})")
    check(not nameless, f"{what}: every focusable control has a name (without: {nameless})")
    for name, roles in expected.items():
        check(bool(seen.get(name, set()) & roles), f"{what}: {name} is there as {roles} ({seen.get(name)})")
    paper = [n for n in seen if n.startswith("试卷：")]
    check(bool(paper), f"{what}: the paper button is named 试卷：… ({paper})")


def main():
    subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    time.sleep(1)
    home = tempfile.mkdtemp(prefix="veltaro-a11y-")
    shutil.copy(BANK, os.path.join(home, "ks.db"))
    db = sqlite3.connect(os.path.join(home, "ks.db"))
    standard = {n: a for n, a in db.execute("select tihao, authority from 题库 where code='1'")}
    db.close()
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", HOME=home,
               XDG_CONFIG_HOME=os.path.join(home, "config"), QT_QPA_PLATFORM="xcb")
    for etype in ("object:property-change:accessible-name", "object:property-change:accessible-description",
                  "object:state-changed:checked", "object:state-changed:focused", "window:activate"):
        pyatspi.Registry.registerEventListener(on_event, etype)
    program = subprocess.Popen([PROGRAM, "--bank", home], env=env)
    try:
        run(program, standard)
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print(f"{len(failures)} check(s) failed")
        sys.exit(1)
    print("all checks passed")


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def choose_first_paper(app, button):
    """The paper picker by keyboard: Down into the list, Enter on the first paper."""
    act(button)
    picker = wait_for(lambda: find(app, role="dialog", name="模糊查询"))
    if not check(picker is not None, "the paper button opens the paper picker"):
        return False
    box = find(picker, name="查找试卷")
    lst = find(picker, name="试卷列表")
    check(box is not None and lst is not None, "the picker's search box and list are named")
    check(lst is not None and lst.queryTable().nRows >= 1 and
          lst.queryTable().getColumnDescription(0) == "编码", "the picker's list has rows and headings")
    wait_for(lambda: box.getState().contains(pyatspi.STATE_FOCUSED), 3)
    press("Down")
    press("Return")
    return check(wait_for(lambda: find(app, role="dialog", name="模糊查询") is None), "Enter chooses a paper")


def run(program, standard):
    app = wait_for(lambda: application(program.pid), 20)
    if not check(app is not None, "the program shows up on the accessibility bus"):
        return
    practice = wait_for(lambda: find(app, role="filler", name="练习"), 15)
    if not check(practice is not None, "the practice window is named 练习"):
        return
    frame = find(app, role="frame")
    check_controls(practice, PRACTICE_CONTROLS, "practice")
    question = find(practice, name="题目", role="text")
    check(re.fullmatch(r"第 1 题，共 \d+ 题", question.description or "") is not None,
          f"the question text says where it stands ({question.description!r})")

    # Stepping by AT-SPI action: the next question is announced and described.
    since = len(events)
    act(find(practice, name="下一题"))
    check(announced(r"^第 2 题，共 \d+ 题：", since), "下一题 announces question 2 with its text")
    check(wait_for(lambda: question.description.startswith("第 2 题")), "the description follows the question")
    act(find(practice, name="第一题"))
    check(announced(r"^第 1 题", since), "第一题 announces question 1")

    # A practice round: the paper chosen by keyboard, three answers, the verdicts heard.
    if not choose_first_paper(app, find(practice, pattern="^试卷：")):
        return
    check(find(practice, pattern="^试卷：Dalmora") is not None, "the paper button names the paper chosen")
    answer = find(practice, name="答案", role="text")
    since = len(events)
    box = find(practice, name=standard[1][0], role="check box")
    act(box)  # a screen reader's toggle action
    check(wait_for(lambda: heard("", since, kind="checked")), "toggling an option is told as a state change")
    check(wait_for(lambda: text_of(answer) == standard[1][0]), f"the toggled option is the answer ({text_of(answer)!r})")
    act(find(practice, name="保存"))
    check(announced(r"^正确。第 2 题", since), "saving a right answer announces 正确 and question 2")
    check(wait_for(lambda: heard(r"^正确$", since, role="label")), "the verdict in the status bar is told")

    wrong = "A" if standard[2][0] != "A" else "B"
    since = len(events)
    find(practice, name="保存").queryComponent().grabFocus()
    press(wrong.lower(), ("Alt_L",))
    check(announced(rf"已勾选 {wrong}", since), f"Alt+{wrong} announces the option ticked")
    press("Return", ("Control_L",))
    check(announced(rf"^错误，正确答案是 {' '.join(standard[2])}。第 3 题", since),
          "Ctrl+Enter saves; the wrong answer's verdict and question 3 are announced")

    since = len(events)
    act(find(practice, name=standard[3][0], role="check box"))
    act(find(practice, name="保存"))
    check(announced(r"^正确。第 4 题", since), "the third answer is told right")

    # The wrong answers by keyboard: Alt+3 goes to the list, Enter shows the question.
    since = len(events)
    press("3", ("Alt_L",))
    grid = wait_for(lambda: find(practice, name="错题", role="table"))
    tabs = find(practice, role="page tab list")
    check(grid is not None and tabs is not None and tabs.name == "错题", "Alt+3 shows the wrong-answer list")
    if grid is None:
        return
    table = grid.queryTable()
    check(table.nRows >= 1 and table.getColumnDescription(0) == "题号",
          f"the wrong-answer list has rows and column headings ({table.nRows})")
    cell = table.getAccessibleAt(0, 0)
    check(cell is not None and cell.name == "2", f"the wrong answer is question 2 ({cell and cell.name!r})")
    press("Down")
    press("Return")
    check(announced(r"^第 2 题", since), "Enter in the list shows and announces question 2")

    # An exam: start, answer, hand in, hear the total.
    act(find(frame, name="考试", role="push button"))
    exam = wait_for(lambda: find(app, role="filler", name="考试"), 10)
    if not check(exam is not None, "the exam window is named 考试"):
        return
    check_controls(exam, EXAM_CONTROLS, "exam")
    if not choose_first_paper(app, find(exam, pattern="^试卷：")):
        return
    for name, value in (("考号", "A11"), ("场次", "1")):
        line = find(find(exam, name=name, role="combo box"), name=name, role="text")
        line.queryComponent().grabFocus()
        wait_for(lambda: line.getState().contains(pyatspi.STATE_FOCUSED), 3)
        type_text(value)
        check(wait_for(lambda: text_of(line) == value, 3), f"{value} typed into {name} ({text_of(line)!r})")
    since = len(events)
    act(find(exam, name="开始"))
    check(announced(r"^考试开始", since), "the start of the exam is announced")
    q = find(exam, name="题目", role="text")
    check(wait_for(lambda: "剩余" in (q.description or "")), f"the exam's question tells the time left ({q.description!r})")
    act(find(exam, name=standard[1][0], role="check box"))
    act(find(exam, name="保存"))
    check(announced(r"^第 2 题", since), "an exam save announces the next question")
    since = len(events)
    act(find(exam, name="交卷"))
    alert = wait_for(lambda: find(app, role="alert"))
    check(alert is not None and "交卷" in " ".join(o.name or "" for o in objects(alert)),
          "the hand-in question is an alert with its text")
    if alert is not None:
        act(find(alert, name="确定", role="push button"))
    check(wait_for(lambda: heard(r"总分", since, role="status bar"), 15), "the total is announced after the hand-in")
    info = wait_for(lambda: find(app, role="dialog", name="信息"), 5)
    if info is not None:
        act(find(info, name="确定", role="push button"))
        wait_for(lambda: find(app, role="dialog", name="信息") is None, 5)
    marks_card(app, frame, standard)


def marks_card(app, frame, standard):
    """The marks window's card by keyboard: the picker left by Escape, the sitting marked, the
    card's first row read with its headings, Enter in the card."""
    act(find(frame, name="评分", role="push button"))
    marks = wait_for(lambda: find(app, role="filler", name="评分"), 10)
    if not check(marks is not None, "the marks window is named 评分"):
        return
    paper = find(marks, pattern="^试卷：")
    before = paper.name
    act(paper)
    picker = wait_for(lambda: find(app, role="dialog", name="模糊查询"))
    check(picker is not None, "the marks window's paper button opens the picker")
    wait_for(lambda: find(picker, name="查找试卷").getState().contains(pyatspi.STATE_FOCUSED), 3)
    press("Escape")
    check(wait_for(lambda: find(app, role="dialog", name="模糊查询") is None), "Escape closes the picker")
    check(find(marks, pattern="^试卷：").name == before, f"Escape chooses no paper ({before!r})")
    if not choose_first_paper(app, find(marks, pattern="^试卷：")):
        return
    for name, value in (("考号", "A11"), ("场次", "1")):
        line = find(find(marks, name=name, role="combo box"), name=name, role="text")
        line.queryComponent().grabFocus()
        wait_for(lambda: line.getState().contains(pyatspi.STATE_FOCUSED), 3)
        type_text(value)
    act(find(marks, name="评分", role="push button"))
    grid = find(marks, name="答题卡", role="table")
    if not check(grid is not None, "the answer card is a table named 答题卡"):
        return
    table = grid.queryTable()
    check(wait_for(lambda: table.getAccessibleAt(0, 1) is not None and table.getAccessibleAt(0, 1).name == "1"),
          "the card's first row is question 1")
    headings = [table.getColumnDescription(c) for c in range(1, 5)]
    check(headings == ["题号", "题目", "标准答案", "考生答案"], f"the card's columns have headings ({headings})")
    check(table.getRowDescription(0) == "1", f"the card's first row is headed by its number ({table.getRowDescription(0)!r})")
    first = [table.getAccessibleAt(0, c).name for c in range(1, 5)]
    check(first[2] == standard[1] and first[1] != "", f"the first row reads number, text, standard answer ({first})")
    since = len(events)
    # From the sitting box Tab goes on into the card.
    press("Tab")
    wait_for(lambda: grid.getState().contains(pyatspi.STATE_FOCUSED), 3)
    press("Down")
    press("Return")
    check(announced(r"^题号 \d+，题目 ", since), "Enter in the card reads the row with its headings")


if __name__ == "__main__":
    main()
