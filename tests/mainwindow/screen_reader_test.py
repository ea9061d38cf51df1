#!/usr/bin/python3
"""The main window as a screen reader meets it, read from the real accessibility bus.

Starts its own X server, a private D-Bus session and the accessibility bus with its registry,
runs the program on a virtual phone kept in a scratch folder, and reads the window from the bus:
every caption, no hidden control, the status panels' texts after "Обновить" and the progress
text while an upload is held mid-way (the phone folder's hold fifos), a row chosen through the
bus's table moving the boxes and buttons as a click does; and the backup dialog's log as text.
Exits 77 (skipped) only when one of the programs or the bus client it needs is not installed.

Usage: screen_reader_test.py VESTREL VESTREL-BACKUP-IDLE
       screen_reader_test.py --late-notification-area VESTREL
(the program started with no notification area, which then comes: the icon docks, Свернуть
hides the window)
"""
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
WAIT_SECONDS = 60  # only a failing run waits this long

# What each control shows (role, caption); its spoken name must contain the caption.
CAPTIONS = [("push button", c) for c in (
    "Перезагрузить", "Выключить", "Спящий режим", "Flash-режим", "Тест-режим", "Режим AT",
    "MyToneDB.db", "Информация", "p2k режим", "Full Backup", "О программе", "Свернуть", "Выход",
    "Обновить")] + [("check box", c) for c in (
    "Автозагрузка", "ReadOnly", "Hidden", "System")] + [
    ("table column header", c) for c in ("#", "Файл", "Атрибут", "Размер")]
# Controls that are never shown, by the names they carry.
HIDDEN = ["Телефоны в режиме P2K", "Телефоны в режиме Flash", "Телефоны в режиме AT",
          "Диски телефона", "Close to tray"]


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(SKIPPED)


def fail(reason):
    print("FAILED: " + reason)
    sys.exit(1)


for program in ("Xvfb", "dbus-daemon", "dbus-send", "xprop"):
    if not shutil.which(program):
        skip(program + " is not installed")
if not os.access(BUS_LAUNCHER, os.X_OK):
    skip(BUS_LAUNCHER + " is not installed (at-spi2-core)")
try:
    import gi
    gi.require_version("Atspi", "2.0")
except (ImportError, ValueError) as error:
    skip("the bus client is not installed (python3-gi, gir1.2-atspi-2.0): %s" % error)


class Session:
    """The X server, session bus and accessibility bus of one run, and the program on them."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.a11y = None
        home = os.path.join(work, "home")
        os.makedirs(os.path.join(home, "runtime"), mode=0o700)
        # The program writes its autostart entry: into the scratch home, never the real one.
        self.env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=os.path.join(home, "runtime"),
                        XDG_CONFIG_HOME=os.path.join(home, "config"),
                        XDG_CONFIG_DIRS=os.path.join(home, "machine"),
                        XDG_STATE_HOME=os.path.join(home, "state"),
                        QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.env.pop("QT_ACCESSIBILITY", None)

    def start(self, arguments, **options):
        process = subprocess.Popen(arguments, env=self.env, **options)
        self.processes.append(process)
        return process

    def first_line(self, arguments):
        process = self.start(arguments, stdout=subprocess.PIPE, text=True)
        line = process.stdout.readline().strip()
        if not line:
            fail("%s printed nothing" % arguments[0])
        return line

    def open_desktop(self):
        read, write = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                    "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as output:
            display = output.readline().strip()
        if not display:
            fail("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.first_line(
            ["dbus-daemon", "--session", "--nofork", "--print-address"])
        self.start([BUS_LAUNCHER, "--launch-immediately"], stderr=subprocess.DEVNULL)
        wait_for(lambda: self.bus_owned("org.a11y.Bus"), "the accessibility bus launcher")
        os.environ.update(self.env)

    def accessibility_bus(self):
        """A connection of our own to the accessibility bus, for calls that must not wait."""
        if not self.a11y:
            address = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
                "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1).unpack()[0]
            self.a11y = Gio.DBusConnection.new_for_address_sync(
                address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
                Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        return self.a11y

    def press_later(self, control):
        """Presses a control without waiting for its answer: a press that opens a modal dialog
        is answered only once the dialog has closed."""
        self.accessibility_bus().call(
            control.app.bus_name, control.path, "org.a11y.atspi.Action", "DoAction",
            GLib.Variant("(i)", (0,)), None, Gio.DBusCallFlags.NONE, -1)

    def name_later(self, node, answers):
        """Asks for a control's name without waiting: a program busy with a copy answers when
        it next lets its events in. The answer is appended to `answers`."""
        def answered(connection, result):
            answers.append(connection.call_finish(result).unpack()[0])

        self.accessibility_bus().call(
            node.app.bus_name, node.path, "org.freedesktop.DBus.Properties", "Get",
            GLib.Variant("(ss)", ("org.a11y.atspi.Accessible", "Name")), None,
            Gio.DBusCallFlags.NONE, -1, None, answered)

    def bus_owned(self, name):
        answer = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", "string:" + name],
            env=self.env, capture_output=True, text=True)
        return "boolean true" in answer.stdout

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def wait_for(condition, what, seconds=WAIT_SECONDS):
    """Polls the condition, letting the bus's events in, until it holds; fails after `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        pump_events()
        try:
            found = condition()
        except GLib.GError:
            found = None  # a window went away while its tree was walked: ask again
        if found:
            return found
        if time.monotonic() > deadline:
            fail("gave up waiting for " + what)
        select.select([], [], [], 0.05)


def pump_events():
    if "GLib" in globals():
        while GLib.MainContext.default().iteration(False):
            pass


def walk(node):
    yield node
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield from walk(child)


def spoken(node):
    return node.get_role_name(), node.get_name() or "", node.get_description() or ""


def find(root, role, name_matches):
    root.clear_cache()  # windows come and go, names change: ask the program every time
    for node in walk(root):
        if node.get_role_name() == role and name_matches(node.get_name() or ""):
            return node
    return None


def control(root, role, name):
    return wait_for(lambda: find(root, role, lambda n: n == name), "%s %s" % (role, name))


def press(root, role, name):
    Atspi.Action.do_action(control(root, role, name), 0)


def application(name):
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        child = desktop.get_child_at_index(index)
        if child is not None and child.get_name() == name:
            return child
    return None


class HeldUpload:
    """The phone folder's hold: the phone stops at one write until released."""

    def __init__(self, phone, request):
        with open(os.path.join(phone, "hold"), "w") as hold:
            hold.write(request + "\n")
        self.held = os.path.join(phone, "held")
        self.release_fifo = os.path.join(phone, "release")
        os.mkfifo(self.held)
        os.mkfifo(self.release_fifo)
        # Opened for reading and writing, so the open never waits for the phone.
        self.held_fd = os.open(self.held, os.O_RDWR | os.O_NONBLOCK)

    def reached(self):
        if not select.select([self.held_fd], [], [], 0)[0]:
            return False
        return bool(os.read(self.held_fd, 100))

    def release(self):
        with open(self.release_fifo, "w"):
            pass
        os.close(self.held_fd)


def check_captions_and_hidden(window):
    nodes = [spoken(node) for node in walk(window)]
    for role, caption in CAPTIONS:
        if not any(r == role and caption in n for r, n, _ in nodes):
            fail("no %s whose name says %r; the bus shows %r" %
                 (role, caption, [(r, n) for r, n, _ in nodes if r == role]))
    for name in HIDDEN:
        if any(n == name for _, n, _ in nodes):
            fail("the hidden control %r is reachable" % name)


def button_named(dialog, *captions):
    """The dialog's button with one of the captions (Qt's own, translated or not)."""
    return next(name for role, name, _ in map(spoken, walk(dialog))
                if role == "push button" and name in captions)


def has_state(node, state):
    return node.get_state_set().contains(state)


def check_rows_chosen_over_the_bus(window):
    """A row chosen through the bus's table, as a screen reader chooses it, acts as a click."""
    table = control(window, "table", "Файлы телефона")
    attributes = [Atspi.Table.get_accessible_at(table, row, 2).get_name()
                  for row in range(Atspi.Table.get_n_rows(table))]
    read_only_row = next((row for row, word in enumerate(attributes) if "ReadOnly" in word), None)
    if read_only_row is None:
        fail("no read-only file among the rows the bus reads: %r" % attributes)
    read_only = wait_for(lambda: find(window, "check box", lambda n: "ReadOnly" in n),
                         "the ReadOnly box")
    delete = control(window, "push button", "Удалить")
    if not Atspi.Table.add_row_selection(table, read_only_row):
        fail("the bus refused to choose row %d" % read_only_row)
    wait_for(lambda: has_state(read_only, Atspi.StateType.CHECKED) and
             has_state(delete, Atspi.StateType.ENABLED),
             "ReadOnly ticked and delete offered for the read-only row chosen over the bus")
    Atspi.Table.remove_row_selection(table, read_only_row)
    wait_for(lambda: not has_state(read_only, Atspi.StateType.CHECKED) and
             not has_state(delete, Atspi.StateType.ENABLED),
             "the boxes cleared and delete withdrawn once the row is let go")
    print("row %d (%s) chosen and let go over the bus; the window followed" %
          (read_only_row, attributes[read_only_row]))


def check_main_window(session, program, work):
    phone = os.path.join(work, "phone")
    os.makedirs(phone)
    hold = HeldUpload(phone, "p2k-write 3")  # read as the phone starts
    session.start([program, "--virtual-phone=" + phone, "--show"], cwd=work)
    app = wait_for(lambda: application("Vestrel"), "the program on the bus")
    app.set_cache_mask(Atspi.Cache.NONE)
    window = wait_for(lambda: find(app, "filler", lambda n: n.startswith("Vestrel")),
                      "the main window by its title")
    check_captions_and_hidden(window)
    title_bar = subprocess.run(["xprop", "-name", "Vestrel by Tolmek v1.3", "_NET_WM_ICON"],
                               env=session.env, capture_output=True, text=True).stdout
    if "Icon (" not in title_bar:
        fail("the main window offers its title bar no icon: %r" % title_bar[:200])

    press(window, "push button", "Обновить")
    wait_for(lambda: find(window, "label", lambda n: n == "Всего: 13"), "\"Всего: 13\"")
    wait_for(lambda: find(window, "label", lambda n: re.fullmatch(r"Свободно: \d+ Кб", n)),
             "\"Свободно: … Кб\"")
    print("What the bus says of each control (role | name | description):")
    for role, name, description in map(spoken, walk(window)):
        if role not in ("table cell", "table row header"):
            print("  %s | %s | %s" % (role, name, description))
    check_rows_chosen_over_the_bus(window)

    upload = os.path.join(work, "Notes.txt")
    content = bytes(range(256)) * 20  # six blocks; the phone holds at the third
    with open(upload, "wb") as source:
        source.write(content)
    progress_panel = next(node for node in walk(window)
                          if spoken(node) == ("label", "", "Ход работы"))
    session.press_later(control(window, "push button", "Копировать в телефон"))
    chooser = wait_for(lambda: find(app, "dialog", lambda n: True), "the file chooser")
    name_box = wait_for(lambda: find(chooser, "text", lambda n: True), "the file name box")
    Atspi.EditableText.set_text_contents(name_box, upload)
    # Qt's own dialogs speak Russian too.
    press(chooser, "push button", button_named(chooser, "Открыть"))
    asked = wait_for(lambda: find(app, "dialog", lambda n: n == "Имя файла"),
                     "the phone name question")
    print("the phone name question offers %r" %
          [name for role, name, _ in map(spoken, walk(asked)) if role == "push button"])
    press(asked, "push button", button_named(asked, "OK", "ОК", "&OK"))
    wait_for(hold.reached, "the phone to hold the upload")
    # Asked while the phone holds, answered at the copy's next progress step.
    heard = []
    session.name_later(progress_panel, heard)
    hold.release()
    wait_for(lambda: heard, "the progress panel's answer")
    if not heard[0].startswith("Копирование файла "):
        fail("during the copy the progress panel said %r" % heard[0])
    print("heard during the copy: %r" % heard[0])
    wait_for(lambda: find(window, "label", lambda n: n == "Всего: 14"),
             "\"Всего: 14\" after the upload")
    with open(os.path.join(phone, "files", "a", "mobile", "Notes.txt"), "rb") as kept:
        if kept.read() != content:
            fail("the phone's copy differs from the file sent")


def check_backup_log(session, program, work):
    session.start([program, "--virtual-phone=" + os.path.join(work, "backup-phone"), "--show"],
                  cwd=work)
    app = wait_for(lambda: application("vestrel-backup-idle"), "the backup dialog on the bus")
    app.set_cache_mask(Atspi.Cache.NONE)
    log = wait_for(lambda: find(app, "text", lambda n: n == "Журнал"), "the backup log")
    if "Text" not in log.get_interfaces():
        fail("the backup log has no text to read")
    print("the backup log reads %r" %
          Atspi.Text.get_text(log, 0, Atspi.Text.get_character_count(log)))


def window_mapped(session, title):
    state = subprocess.run(["xwininfo", "-name", title], env=session.env, capture_output=True,
                           text=True).stdout
    return "IsViewable" in state


def check_late_notification_area(session, program, work):
    """Started before the panel: the icon appears once the area does, and Свернуть hides."""
    title = "Vestrel by Tolmek v1.3"
    session.start([program, "--virtual-phone=" + os.path.join(work, "phone"), "--show"],
                  cwd=work)
    app = wait_for(lambda: application("Vestrel"), "the program on the bus")
    app.set_cache_mask(Atspi.Cache.NONE)
    window = wait_for(lambda: find(app, "filler", lambda n: n == title), "the main window")
    wait_for(lambda: window_mapped(session, title), "the window on the screen")
    tray = session.start([sys.executable, os.path.join(os.path.dirname(__file__), "fake_tray.py")],
                         stdout=subprocess.PIPE)
    said = []

    def docked():
        if select.select([tray.stdout], [], [], 0)[0]:
            said.append(os.read(tray.stdout.fileno(), 1000).decode())
        return re.search(r"^dock \d+$", "".join(said), re.M)

    dock = wait_for(docked, "the icon to dock in the notification area that came later")
    press(window, "push button", "Свернуть")
    wait_for(lambda: not window_mapped(session, title), "Свернуть to hide the window")
    print("the icon docked (%s) and Свернуть hid the window" % dock.group(0))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--late-notification-area":
        work = tempfile.mkdtemp(prefix="vestrel-late-tray-")
        session = Session(work)
        try:
            session.open_desktop()
            global Atspi, GLib, Gio
            from gi.repository import Atspi, Gio, GLib
            check_late_notification_area(session, sys.argv[2], work)
            print("PASSED")
        finally:
            session.close()
            shutil.rmtree(work, ignore_errors=True)
        return
    if len(sys.argv) != 3:
        fail(__doc__)
    work = tempfile.mkdtemp(prefix="vestrel-screen-reader-")
    session = Session(work)
    try:
        session.open_desktop()
        global Atspi, GLib, Gio
        from gi.repository import Atspi, Gio, GLib
        check_main_window(session, sys.argv[1], work)
        check_backup_log(session, sys.argv[2], work)
        print("PASSED")
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
