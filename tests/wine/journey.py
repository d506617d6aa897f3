#!/usr/bin/python3
"""The Windows Mirlo as a pupil gets it, under Wine on a private X desktop.

    journey.py SETUP_EXE WORK [MP3_TOOL]

A throw-away Wine prefix; the installer run silently (the school's
program-folder settings kept over a reinstall); the installed Mirlo.exe: a
first run through the settings dialog, a recording on the virtual microphone
(the tests' private PulseAudio behind Wine's winepulse), its upload to the
reference server on 127.0.0.1, its hand-off by e-mail to the tests' MAPI mail
program (MIRLO_TEST_MAPI_PROVIDER, registered as the prefix's default mail
program), "Nouvel enregistrement" through Launch.exe;
then a silent uninstall that leaves the pupil's settings and recordings.
Screenshots of the first run and the main window stay in WORK. MP3_TOOL is
the journeys' MP3 reader (journey_mp3facts of the Linux build); without it
the recording is checked for its size only.
"""
import hashlib
import json
import os
import pwd
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
TESTS_DIR = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TESTS_DIR, "journeys"))
from desktop import (Desktop, check, press, read_ini, setting, shown_text, spawn,  # noqa: E402
                     unscramble, wait_for, write_ini)

MAIN = "Enregistrement Mp3"
SETTINGS = "Enregistrement Mp3 - Param_trage"
MESSAGE = "Mirlo"
LAUNCH = "Launch"
ABOUT = "Mirlo - utilitaire d'enregistrement - Pr_sentation"
RECORD, STOP = (62, 348), (242, 348)
FILE_BOX = (245, 223)
SEND, NEW_RECORDING, INFOS = (94, 385), (265, 385), (411, 385)
PUPIL = {"sender": "eleve1@ecole.fr", "recipient": "prof@ecole.fr", "login": "eleve1",
         "password": "secret1", "site": "depot.ecole.fr"}
WINE = os.environ.get("MIRLO_WINE", "/usr/lib/wine/wine64")
PROGRAM_DIR = "C:\\Program Files\\Mirlo"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mirlo"


class Wine:
    """A throw-away prefix on the journey's desktop, with the virtual audio."""

    def __init__(self, desk, pulse_server):
        self.desk = desk
        self.prefix = os.path.join(desk.work, "prefix")
        self.pulse_server = pulse_server
        self.outbox = os.path.join(desk.work, "outbox")
        os.makedirs(self.outbox)

    def env(self):
        return self.desk.env({
            "WINEPREFIX": self.prefix, "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            "PULSE_SERVER": self.pulse_server, "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "MIRLO_TEST_OUTBOX": "Z:" + self.outbox.replace("/", "\\")})

    def run(self, *args, timeout=300):
        r = subprocess.run([WINE] + list(args), env=self.env(), capture_output=True, timeout=timeout)
        return r.returncode

    def start(self, *args, log="wine.log"):
        out = open(os.path.join(self.desk.work, log), "ab")
        return spawn([WINE] + list(args), env=self.env(), stdout=out, stderr=out)

    def settle(self):
        """Waits until every program of the prefix has ended."""
        subprocess.run([os.path.join(os.path.dirname(WINE), "wineserver"), "-w"], env=self.env(), timeout=300)

    def stop(self):
        subprocess.run([os.path.join(os.path.dirname(WINE), "wineserver"), "-k"], env=self.env(),
                       capture_output=True, timeout=60)

    def unix(self, path):
        """A C: path of the prefix on the Linux side."""
        drive, rest = path[:2].lower(), path[2:].replace("\\", "/")
        check(drive == "c:", "not a C: path: %r" % path)
        return os.path.join(self.prefix, "drive_c") + rest

    @property
    def program(self):
        return self.unix(PROGRAM_DIR)

    @property
    def working_settings(self):
        # Wine names the profile after the Unix account.
        user = pwd.getpwuid(os.getuid()).pw_name
        return self.unix("C:\\users\\%s\\AppData\\Roaming\\Mirlo\\Mirlox.ini" % user)




def close_message(desk, after):
    box = desk.window(MESSAGE, 30)
    desk.keys(box, "Return")
    desk.gone(box)
    time.sleep(0.5)


def start_virtual_audio(work, cleanups):
    """The tests' PulseAudio, with a microphone that hears a 440 Hz tone."""
    folder = os.path.join(work, "audio")
    script = os.path.join(TESTS_DIR, "audio", "harness", "virtual-audio.sh")
    subprocess.run(["bash", script, "start", folder], check=True, capture_output=True, timeout=120)
    cleanups.append(lambda: subprocess.run(["bash", script, "stop", folder], capture_output=True))
    server = "unix:" + os.path.join(folder, "native")
    env = dict(os.environ, PULSE_SERVER=server, HOME=os.path.join(folder, "home"))
    pactl = lambda *a: subprocess.run(["pactl"] + list(a), env=env, check=True, capture_output=True)  # noqa: E731
    pactl("load-module", "module-null-sink", "sink_name=micfeed", "rate=44100", "channels=2")
    pactl("set-default-source", "micfeed.monitor")
    tone = spawn(["sox", "-n", "-t", "raw", "-r", "44100", "-e", "signed", "-b", "16", "-c", "2", "-",
                  "synth", "600", "sine", "440", "vol", "0.4"], stdout=subprocess.PIPE)
    feed = spawn(["pacat", "--playback", "--device=micfeed", "--rate=44100", "--channels=2",
                  "--format=s16le", "--latency-msec=50"], stdin=tone.stdout, env=env)
    cleanups.append(feed.kill)
    cleanups.append(tone.kill)
    return server


def start_upload_server(work, cleanups):
    folder = os.path.join(work, "server")
    os.makedirs(folder)
    log = os.path.join(folder, "log.json")
    server = spawn(["/usr/bin/python3", os.path.join(TESTS_DIR, "send", "upload_server.py"),
                    "--login", PUPIL["login"].upper(), "--password", PUPIL["password"],
                    "--log", log, "--store", os.path.join(folder, "store")],
                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    cleanups.append(server.kill)
    words = server.stdout.readline().decode().split()
    check(len(words) == 2 and words[0] == "PORT", "the upload server did not start: %r" % words)
    return int(words[1]), log


def install(wine, setup, beside=None):
    """The installer run silently from a folder of its own, as a school deploys it."""
    folder = os.path.join(wine.desk.work, "deploy")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy2(setup, folder)
    if beside:
        write_ini(os.path.join(folder, "Mirlox.ini"), beside)
    code = wine.run(os.path.join(folder, os.path.basename(setup)), "/S")
    wine.settle()
    check(code == 0, "the silent installation ended with code %d" % code)
    for name in ("Mirlo.exe", "Launch.exe", "Uninstall.exe", "qt.conf", "Mirlox.ini",
                 "translations/qtbase_fr.qm", "platforms/qwindows.dll", "help/index.html", "help/messages.html"):
        check(os.path.isfile(os.path.join(wine.program, name)), "not installed: %s" % name)
    menu = wine.unix("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Mirlo.lnk")
    check(os.path.isfile(menu), "no Start-menu shortcut")
    check(wine.run("reg", "query", UNINSTALL_KEY, "/v", "QuietUninstallString") == 0,
          "Mirlo is not in the list of installed programs")


def installation(wine, setup, port):
    """The default program-folder settings on a first installation; a
    school's own placed beside the installer where the folder has none; a
    reinstall keeps the file the installation holds."""
    install(wine, setup)
    settings = os.path.join(wine.program, "Mirlox.ini")
    with open(settings, "rb") as f, open(os.path.join(TESTS_DIR, "..", "resources", "Mirlox.ini"), "rb") as g:
        check(f.read() == g.read(), "the installed Mirlox.ini is not the default one")
    os.remove(settings)
    school = {"IniPath": {"Location": "", "Perso": ""},
              "Web": {"Site": PUPIL["site"], "mode": "web", "Proxy": "127.0.0.1", "ProxyPort": str(port)}}
    install(wine, setup, beside=school)
    check(setting(read_ini(settings), "Web", "ProxyPort") == str(port),
          "the school's Mirlox.ini beside the installer was not installed")
    with open(settings, "rb") as f:
        before = f.read()
    install(wine, setup, beside={"Web": {"Site": "autre.ecole.fr"}})
    with open(settings, "rb") as f:
        check(f.read() == before, "a reinstall changed the program-folder Mirlox.ini")


def first_run(desk, wine, port):
    mirlo = wine.start(os.path.join(PROGRAM_DIR, "Mirlo.exe"), log="mirlo.log")
    dialog = desk.window(SETTINGS, 60)
    time.sleep(1)
    print("screenshot: " + desk.screenshot("first-run-dialog"), flush=True)
    check(not desk.windows(MAIN), "the main window shows before the first settings are made")
    typed = [PUPIL["sender"], PUPIL["recipient"], PUPIL["site"], PUPIL["login"], PUPIL["password"],
             "127.0.0.1", str(port)]  # the upload server is also the proxy
    for text in typed:
        desk.type(dialog, text)
        desk.keys(dialog, "Tab")
    desk.keys(dialog, "space")  # "Téléchargement sur le site Web"
    desk.keys(dialog, "Return")
    close_message(desk, "the notice after validating")
    main = desk.window(MAIN, 30)
    time.sleep(1)
    print("screenshot: " + desk.screenshot("main-window"), flush=True)

    working = read_ini(wine.working_settings)  # also checks every line ends with CR LF
    expected = {("email", "Expediteur"): PUPIL["sender"], ("email", "Destinataire"): PUPIL["recipient"],
                ("email", "Nom"): "ELEVE1", ("Web", "Site"): PUPIL["site"], ("Web", "mode"): "web",
                ("Web", "Proxy"): "127.0.0.1", ("Web", "ProxyPort"): str(port)}
    for (section, key), value in expected.items():
        got = setting(working, section, key)
        check(got == value, "working settings: %s/%s is %r, not %r" % (section, key, got, value))
    check(unscramble(setting(working, "Web", "Password")) == PUPIL["password"],
          "working settings: the password is not stored scrambled")
    return mirlo, main


def mp3_seconds(tool, path):
    r = subprocess.run([tool, path], capture_output=True, timeout=60)
    check(r.returncode == 0, "the MP3 does not decode: %s" % r.stdout.decode(errors="replace"))
    return json.loads(r.stdout)


def settled(path):
    """The file has content and no longer grows."""
    size = os.path.getsize(path)
    time.sleep(1.0)
    return size > 0 and os.path.getsize(path) == size


def record(desk, wine, main, tool):
    shown = shown_text(desk, main, FILE_BOX).strip()
    check(shown.lower().endswith(".mp3") and ":\\" in shown, "the main window shows %r as the recording" % shown)
    path = wine.unix(shown)
    press(desk, main, RECORD)
    wait_for("the recording file", lambda: os.path.exists(path), 20)
    started = time.monotonic()
    time.sleep(5)
    press(desk, main, STOP)
    expected = time.monotonic() - started

    wait_for("the recording to be completed", lambda: settled(path), 30)
    if tool:
        facts = mp3_seconds(tool, path)
        print("recording: about %.2f s, decoded %s" % (expected, facts), flush=True)
        check(facts["walk_ok"], "the MP3's frames are not clean: %s" % facts["walk_error"])
        check(abs(facts["seconds"] - expected) < 0.8, "the recording lasts %.2f s, expected about %.2f s"
              % (facts["seconds"], expected))
        check(abs(facts["frequency"] - 440) < 10, "the recording holds %.1f Hz, not 440 Hz" % facts["frequency"])
    else:
        check(os.path.getsize(path) > 5 * 16000 * 0.8, "the recording is too short: %d bytes" % os.path.getsize(path))
    return path


def upload(desk, main, path, log):
    press(desk, main, SEND)  # "Envoyer sur le site"
    close_message(desk, "the upload's result")
    with open(log) as f:
        requests = json.load(f)
    with open(path, "rb") as f:
        content = f.read()
    files = [x for r in requests for x in r["fields"] if "filename" in x]
    check(any(x["filename"] == os.path.basename(path) and x["sha256"] == hashlib.sha256(content).hexdigest()
              for x in files), "the server did not receive the recording's bytes: %s" % files)


def register_mail_program(wine, provider):
    """The tests' MAPI mail program as the prefix's default mail program."""
    key = "HKLM\\Software\\Clients\\Mail"
    check(wine.run("reg", "add", key, "/ve", "/d", "Mirlo Test Mail", "/f") == 0, "reg add failed")
    check(wine.run("reg", "add", key + "\\Mirlo Test Mail", "/v", "DLLPath", "/d",
                   "Z:" + provider.replace("/", "\\"), "/f") == 0, "reg add failed")


def choose_mail_mode(desk, wine, main):
    """Mail mode chosen in the settings, through the about box."""
    press(desk, main, INFOS)
    about = desk.window(ABOUT, 30)
    desk.keys(about, "shift+Tab", "space")  # from OK back to "Modifier les paramètres"
    dialog = desk.window(SETTINGS, 30)
    # The dialog keeps its focus from the first run: "Envoi par email" is
    # reached with the mouse, at its place in the dialog.
    time.sleep(1)
    _, _, width, height = desk.geometry(dialog)
    desk.click(dialog, round(width * 0.60), round(height * 0.614))
    desk.keys(dialog, "Return")
    close_message(desk, "the notice after validating")
    check(setting(read_ini(wine.working_settings), "Web", "mode") == "mail", "mail mode was not stored")
    return desk.window(MAIN, 30)


def mail(desk, wine, main):
    """A short recording handed by e-mail to the mail program."""
    path = wine.unix(shown_text(desk, main, FILE_BOX).strip())
    press(desk, main, RECORD)
    wait_for("the recording file", lambda: os.path.exists(path), 20)
    time.sleep(2)
    press(desk, main, STOP)
    wait_for("the recording to be completed", lambda: settled(path), 30)
    press(desk, main, SEND)  # "Envoyer par email"
    recorded = os.path.join(wine.outbox, "message.txt")
    wait_for("the mail program to be handed the message", lambda: os.path.exists(recorded), 30)
    time.sleep(1)
    with open(recorded, encoding="utf-8") as f:
        fields = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
    expected = {"toAddress": "SMTP:" + PUPIL["recipient"], "subject": "Enregistrement : ELEVE1",
                "body": "Enregistrement 1", "attachmentName": os.path.basename(path)}
    for key, value in expected.items():
        check(fields.get(key) == value, "the mail program got %s %r, not %r" % (key, fields.get(key), value))
    with open(path, "rb") as f, open(os.path.join(wine.outbox, "attachment.bin"), "rb") as g:
        check(f.read() == g.read(), "the attachment's bytes are not the recording's")
    print("screenshot: " + desk.screenshot("after-mail"), flush=True)


def new_recording(desk, main):
    press(desk, main, NEW_RECORDING)
    wait_for("Mirlo's window to go", lambda: not desk.windows(MAIN), 30)
    desk.window(LAUNCH, 30)
    again = desk.window(MAIN, 30)
    wait_for("Launch to end", lambda: not desk.windows(LAUNCH), 30)
    check(len(desk.windows(MAIN)) == 1, "Launch started Mirlo more than once")
    return again


def uninstall(wine, recording, pupil_settings):
    wine.stop()  # Mirlo, as a pupil closes it
    code = wine.run(os.path.join(PROGRAM_DIR, "Uninstall.exe"), "/S")
    wine.settle()
    check(code == 0, "the silent uninstallation ended with code %d" % code)
    left = sorted(os.listdir(wine.program)) if os.path.isdir(wine.program) else []
    check(left in ([], ["Mirlox.ini"]), "left in the program folder: %s" % left)
    check(not pupil_settings or os.path.isfile(wine.working_settings),
          "the uninstallation removed the pupil's settings")
    check(recording is None or os.path.isfile(recording), "the uninstallation removed the recording")
    menu = wine.unix("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Mirlo.lnk")
    check(not os.path.exists(menu), "the Start-menu shortcut is still there")
    check(wine.run("reg", "query", UNINSTALL_KEY) != 0, "Mirlo is still in the list of installed programs")


def main(argv):
    setup, work = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    tool = os.path.abspath(argv[3]) if len(argv) > 3 and argv[3] else ""
    provider = os.environ.get("MIRLO_TEST_MAPI_PROVIDER", "")
    steps = os.environ.get("MIRLO_WINE_JOURNEY_STEPS",
                           "install,first-run,record,upload,mail,launch,uninstall").split(",")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    desk = Desktop(work)
    cleanups = []
    ok = False
    started = time.monotonic()
    try:
        desk.start()
        wine = Wine(desk, start_virtual_audio(work, cleanups))
        cleanups.append(wine.stop)
        port, log = start_upload_server(work, cleanups)
        wine.run("wineboot", "-i")
        wine.settle()
        installation(wine, setup, port)
        if provider:
            register_mail_program(wine, provider)
        print("installed (%.0f s)" % (time.monotonic() - started), flush=True)
        recording = None
        mail_mode = "mail" in steps and provider
        if "first-run" in steps:
            _, main_window = first_run(desk, wine, port)
            print("first run done (%.0f s)" % (time.monotonic() - started), flush=True)
            if "record" in steps:
                recording = record(desk, wine, main_window, tool)
                print("recorded (%.0f s)" % (time.monotonic() - started), flush=True)
                if "upload" in steps:
                    upload(desk, main_window, recording, log)
                    print("uploaded (%.0f s)" % (time.monotonic() - started), flush=True)
            if mail_mode:
                main_window = choose_mail_mode(desk, wine, main_window)
            if "launch" in steps:
                main_window = new_recording(desk, main_window)
                print("restarted through Launch (%.0f s)" % (time.monotonic() - started), flush=True)
                if mail_mode:
                    mail(desk, wine, main_window)
                    print("handed to the mail program (%.0f s)" % (time.monotonic() - started), flush=True)
        if "uninstall" in steps:
            uninstall(wine, recording, "first-run" in steps)
        ok = True
    except Exception:
        import traceback
        traceback.print_exc()
        if desk.display:
            print("screenshot: " + desk.screenshot("failure"), flush=True)
        for name in ("mirlo.log", "wine.log"):
            path = os.path.join(work, name)
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    print("--- %s (end)\n%s" % (name, f.read()[-3000:]))
    finally:
        for undo in reversed(cleanups):
            try:
                undo()
            except Exception:
                pass
        desk.stop()
    if ok and not os.environ.get("MIRLO_JOURNEY_KEEP"):
        # The screenshots stay; the prefix (some 700 MB) goes.
        for name in ("prefix", "home", "audio", "run", "deploy"):
            shutil.rmtree(os.path.join(work, name), ignore_errors=True)
    print("Wine journey: %s in %.0f s (folder %s)" % ("passed" if ok else "FAILED", time.monotonic() - started, work))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
