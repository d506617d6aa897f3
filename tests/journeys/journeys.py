#!/usr/bin/python3
"""A pupil's journeys through the real Mirlo, one per ctest entry.

    journeys.py NAME BUILD_BIN WORK_ROOT [TESTS_DIR VIRTUAL_AUDIO_DIR MP3_TOOL]
"""
import hashlib
import json
import math
import os
import random
import struct
import subprocess
import sys
import time
from email import policy
from email.parser import BytesParser

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import (Mirlo, check, read_ini, run, scramble, setting, spawn,  # noqa: E402
                     unscramble, wait_for, write_ini)

TESTS_DIR = os.path.abspath(sys.argv[4] if len(sys.argv) > 4 else os.path.join(os.path.dirname(__file__), ".."))
VIRTUAL_AUDIO_DIR = os.path.abspath(sys.argv[5]) if len(sys.argv) > 5 else ""
MP3_TOOL = os.path.abspath(sys.argv[6]) if len(sys.argv) > 6 else ""
HARNESS = os.path.join(TESTS_DIR, "audio", "harness")

# Window titles (regular expressions over UTF-8 bytes: "_" stands for an
# accented letter).
MAIN = "Enregistrement Mp3"
SETTINGS = "Enregistrement Mp3 - Param_trage"
MESSAGE = "Mirlo"
ABOUT = "Mirlo - utilitaire d'enregistrement - Pr_sentation"
FOLDER_CHOOSER = "Dans quel dossier voulez-vous cr_er le r_pertoire d'enregistrement .*"
FILE_CHOOSER = "Veuillez indiquer le fichier _ cr_er"
IMPORT_CHOOSER = "Fichier de param_tres _ importer"
LAUNCH = "Launch"

# The main window's controls, at their designed places (centres, in pixels).
RECORD, PAUSE, STOP, PLAY = (62, 348), (152, 348), (242, 348), (332, 348)
BROWSE = (441, 223)
FILE_BOX = (245, 223)
SEND, NEW_RECORDING, INFOS = (94, 385), (265, 385), (411, 385)
BACKGROUND = (220, 60)
DESIGN_SIZE = (480, 404)

NO_AUDIO = {"ALSA_CONFIG_PATH": os.path.join(HARNESS, "noaudio.conf"), "JACK_NO_START_SERVER": "1"}

PUPIL = {"sender": "eleve1@ecole.fr", "recipient": "prof@ecole.fr", "login": "eleve1",
         "password": "secret1", "site": "depot.ecole.fr", "script": "/depot/upload.php"}


def stored_settings(folder, mode="web", extra=None):
    """A working settings file of a pupil who has been through the first run."""
    sections = {
        "email": {"Expediteur": PUPIL["sender"], "Destinataire": PUPIL["recipient"],
                  "Nom": PUPIL["login"].upper()},
        "Web": {"Site": PUPIL["site"], "Password": scramble(PUPIL["password"]), "mode": mode,
                "Upload": scramble(PUPIL["script"])},
        "Config": {"Dossier": folder},
    }
    for section, keys in (extra or {}).items():
        sections.setdefault(section, {}).update(keys)
    return sections


def settled_mirlo(desk, build_bin, cleanups, mode="web", extra=None, env=None):
    """Mirlo with a finished first run, its recordings folder, and its main window up."""
    folder = os.path.join(desk.work, "recordings")
    os.makedirs(folder, exist_ok=True)
    mirlo = Mirlo(desk, build_bin, env or NO_AUDIO)
    cleanups.append(mirlo.stop)
    os.makedirs(os.path.dirname(mirlo.working_settings), exist_ok=True)
    write_ini(mirlo.working_settings, stored_settings(folder, mode, extra))
    mirlo.start()
    main = mirlo.window(MAIN)
    return mirlo, main, folder


def close_message(desk, mirlo, after):
    """Acknowledges the program's message box with Enter."""
    box = mirlo.window(MESSAGE)
    desk.keys(box, "Return")
    desk.gone(box)
    mirlo.still_running(after)


def on_main(desk, main, at):
    """Where a designed place is now: a larger font grows the whole window by one factor."""
    _, _, width, height = desk.geometry(main)
    return round(at[0] * width / DESIGN_SIZE[0]), round(at[1] * height / DESIGN_SIZE[1])


def press(desk, main, at):
    desk.click(main, *on_main(desk, main, at))


def shown_text(desk, main, at):
    """What a text box of the main window shows, copied from it as a pupil would."""
    press(desk, main, at)
    desk.keys(main, "ctrl+a", "ctrl+c")
    time.sleep(0.2)
    return desk.clipboard()


def choose_file(desk, mirlo, title, path, after):
    """Types a full path into Qt's file chooser and accepts it."""
    chooser = mirlo.window(title)
    time.sleep(0.3)
    desk.type(chooser, path)
    time.sleep(0.3)
    desk.keys(chooser, "Return")
    try:
        desk.gone(chooser)
    except AssertionError:
        # Qt's own questions carry the chooser's title.
        asked = len(desk.windows(title)) > 1
        raise AssertionError("the chooser stayed open after Enter on %s%s" % (
            path, ", asking a question of its own" if asked else ""))
    mirlo.still_running(after)


def pick_recording(desk, mirlo, main, path):
    """The recording-file chooser on an existing recording, then its notice."""
    press(desk, main, BROWSE)
    choose_file(desk, mirlo, FILE_CHOOSER, path, "choosing an existing recording")
    close_message(desk, mirlo, "the notice that the file exists")
    check(shown_text(desk, main, FILE_BOX) == path, "the main window does not show the chosen recording")


def ini_both(mirlo):
    return read_ini(mirlo.working_settings), read_ini(mirlo.program_settings)


# ---- 1. First run -----------------------------------------------------------------

def first_run(desk, build_bin, cleanups):
    base = os.path.join(desk.work, "documents")
    os.makedirs(base)
    mirlo = Mirlo(desk, build_bin, NO_AUDIO)
    cleanups.append(mirlo.stop)
    mirlo.start()
    dialog = mirlo.window(SETTINGS)
    check(not desk.windows(MAIN), "the main window shows before the first settings are made")

    # From the first box, Shift+Tab twice reaches "Parcourir" (the last two
    # stops are it and the folder name): cancel the chooser once, then choose.
    desk.keys(dialog, "shift+Tab", "shift+Tab", "space")
    chooser = mirlo.window(FOLDER_CHOOSER)
    desk.keys(chooser, "Escape")
    desk.gone(chooser)
    mirlo.still_running("cancelling the folder chooser")
    check(desk.windows(SETTINGS), "the settings dialog went away with the folder chooser")
    desk.keys(dialog, "space")
    choose_file(desk, mirlo, FOLDER_CHOOSER, base, "choosing a folder")
    desk.keys(dialog, "Tab")
    desk.type(dialog, "Enregistrements")
    desk.keys(dialog, "Tab")  # back to the first box
    typed = ["eleve1@ecole.fr", "prof@ecole.fr", "http://depot.ecole.fr/", "eleve1", "secret1",
             "proxy.ecole.fr", "3128"]
    for text in typed:
        desk.type(dialog, text)
        desk.keys(dialog, "Tab")
    desk.keys(dialog, "space")  # "Téléchargement sur le site Web"
    desk.keys(dialog, "Return")
    close_message(desk, mirlo, "the notice after validating")
    main = mirlo.window(MAIN)
    check(not desk.windows(SETTINGS), "the settings dialog is still shown after validating")

    folder = os.path.join(base, "Enregistrements")
    expected = {("Web", "Site"): "depot.ecole.fr", ("Web", "mode"): "web",
                ("Web", "Proxy"): "proxy.ecole.fr", ("Web", "ProxyPort"): "3128",
                ("email", "Destinataire"): "prof@ecole.fr", ("email", "Expediteur"): "eleve1@ecole.fr",
                ("email", "Nom"): "ELEVE1", ("Config", "Dossier"): folder, ("IniPath", "Location"): "",
                ("IniPath", "Perso"): "Z:"}
    working, program = ini_both(mirlo)
    for (section, key), value in expected.items():
        check(key.lower() in working.get(section.lower(), {}), "working settings: no %s/%s" % (section, key))
        got = setting(working, section, key)
        check(got == value, "working settings: %s/%s is %r, not %r" % (section, key, got, value))
    stored = setting(working, "Web", "Password")
    check(stored and stored != "secret1" and unscramble(stored) == "secret1",
          "working settings: the password is not stored scrambled: %r" % stored)
    # Every user of the installation reads the program-folder file: the
    # school's values only, nothing of the pupil's own.
    personal = {("Web", "Password"), ("email", "Expediteur"), ("email", "Nom"), ("Config", "Dossier")}
    for (section, key), value in expected.items():
        got = setting(program, section, key)
        wanted = "" if (section, key) in personal else value
        check(got == wanted, "program-folder settings: %s/%s is %r, not %r" % (section, key, got, wanted))
    check(not setting(program, "Web", "Password"), "the password is in the program-folder settings")
    check(os.path.isdir(folder), "the recordings folder was not made")
    path = shown_text(desk, main, FILE_BOX)
    check(path.startswith(folder + "/ELEVE1_") and path.endswith(".mp3"),
          "the main window shows %r as the recording" % path)


def first_run_left_blank(desk, build_bin, cleanups):
    """The pupil types only what is required: no folder, no sending mode."""
    deep = os.path.join(desk.work, *(["dossier-de-la-classe-de-premiere"] * 6))
    os.makedirs(deep)
    mirlo = Mirlo(desk, build_bin, NO_AUDIO)
    cleanups.append(mirlo.stop)
    mirlo.start()
    dialog = mirlo.window(SETTINGS)
    desk.keys(dialog, "shift+Tab", "shift+Tab", "space")  # "Parcourir"
    choose_file(desk, mirlo, FOLDER_CHOOSER, deep, "choosing a deep folder")
    time.sleep(0.5)
    x, _, width, _ = desk.outer_geometry(dialog)
    check(x >= 0 and x + width <= int(desk.screen_size()[0]),
          "with a %d-character folder the settings dialog spans x = %d to %d, off the screen"
          % (len(deep), x, x + width))
    desk.keys(dialog, "space")  # "Parcourir" again, cancelled: no location at all
    chooser = mirlo.window(FOLDER_CHOOSER)
    desk.keys(chooser, "Escape")
    desk.gone(chooser)
    mirlo.still_running("cancelling the folder chooser")
    desk.keys(dialog, "Tab", "Tab")  # past the folder name to the first box
    for text in ("eleve1@ecole.fr", "prof@ecole.fr", "depot.ecole.fr", "eleve1", "secret1"):
        desk.type(dialog, text)
        desk.keys(dialog, "Tab")
    desk.keys(dialog, "Return")
    close_message(desk, mirlo, "the notice after validating")
    main = mirlo.window(MAIN)

    stored = read_ini(mirlo.working_settings)
    folder = setting(stored, "Config", "Dossier")
    check(folder.startswith(desk.home + "/"), "with no location the recordings go to %r" % folder)
    check(not setting(stored, "Web", "mode"), "a sending mode was stored though none was chosen")
    path = shown_text(desk, main, FILE_BOX)
    check(path.startswith(desk.home + "/") and path.endswith(".mp3"), "the recording would be %r" % path)

    # Sending with no mode chosen tells the pupil what to do.
    recording = os.path.join(desk.home, "devoir.mp3")
    with open(recording, "wb") as f:
        f.write(b"\xff\xfb\x90\x00" * 1000)
    pick_recording(desk, mirlo, main, recording)
    press(desk, main, SEND)
    close_message(desk, mirlo, "the notice that no sending mode is chosen")


# ---- 2. Parameter import ------------------------------------------------------------

def open_import(desk, dialog):
    """Fichier > Importer des paramètres, with the mouse on the menu bar."""
    desk.click(dialog, 24, 10)
    time.sleep(0.5)
    desk.xdo("key", "Down")
    time.sleep(0.2)
    desk.xdo("key", "Return")


def parameter_import(desk, build_bin, cleanups):
    share = os.path.join(desk.work, "partagé")  # copied as it is, in Windows-1252
    good = os.path.join(desk.work, "ecole.prm")
    values = {"Web": {"Upload": scramble(PUPIL["script"]), "Site": PUPIL["site"], "Proxy": "10.1.2.3",
                      "ProxyPort": "3128", "Language": "fr"},
              "email": {"Destinataire": PUPIL["recipient"], "Expediteur": "ignored@ecole.fr"},
              "IniPath": {"Perso": share}}
    write_ini(good, values)
    bad = os.path.join(desk.work, "unicode.prm")
    with open(good, "rb") as f:
        text = f.read().decode("cp1252")
    with open(bad, "wb") as f:
        f.write(text.encode("utf-16"))  # with its byte-order mark

    mirlo = Mirlo(desk, build_bin, NO_AUDIO)
    cleanups.append(mirlo.stop)
    mirlo.start()
    dialog = mirlo.window(SETTINGS)

    open_import(desk, dialog)
    choose_file(desk, mirlo, IMPORT_CHOOSER, good, "importing a parameter file")
    imported = {("Web", "Upload"): values["Web"]["Upload"], ("Web", "Site"): PUPIL["site"],
                ("email", "Destinataire"): PUPIL["recipient"], ("Web", "Proxy"): "10.1.2.3",
                ("Web", "ProxyPort"): "3128", ("IniPath", "Perso"): share}
    for name, ini in zip(("working", "program-folder"), ini_both(mirlo)):
        for (section, key), value in imported.items():
            got = setting(ini, section, key)
            check(got == value, "after the import, %s settings: %s/%s is %r, not %r"
                  % (name, section, key, got, value))
        check(not setting(ini, "email", "Expediteur"), "%s settings: the sender was imported" % name)

    open_import(desk, dialog)
    choose_file(desk, mirlo, IMPORT_CHOOSER, bad, "choosing a parameter file in UTF-16")
    close_message(desk, mirlo, 'acknowledging "paramètres non valides !"')
    for name, ini in zip(("working", "program-folder"), ini_both(mirlo)):
        for (section, key), value in imported.items():
            got = setting(ini, section, key)
            want = "" if key in ("Proxy", "ProxyPort", "Perso") else value
            check(got == want, "after the unreadable import, %s settings: %s/%s is %r, not %r"
                  % (name, section, key, got, want))

    # The dialog shows what is stored: the pupil adds their own values and validates.
    desk.type(dialog, PUPIL["sender"])
    desk.keys(dialog, "Tab")
    desk.keys(dialog, "ctrl+a", "ctrl+c")
    time.sleep(0.2)
    check(desk.clipboard() == PUPIL["recipient"], "the dialog does not show the imported recipient")
    desk.keys(dialog, "Tab", "Tab")
    desk.type(dialog, PUPIL["login"])
    desk.keys(dialog, "Tab")
    desk.type(dialog, PUPIL["password"])
    desk.keys(dialog, "Return")
    close_message(desk, mirlo, "the notice after validating")
    mirlo.window(MAIN)
    working = read_ini(mirlo.working_settings)
    for section, key, want in (("email", "Destinataire", PUPIL["recipient"]), ("Web", "Site", PUPIL["site"]),
                               ("Web", "Upload", values["Web"]["Upload"]), ("Web", "Proxy", ""),
                               ("email", "Nom", "ELEVE1")):
        check(setting(working, section, key) == want, "after validating, %s/%s is %r, not %r"
              % (section, key, setting(working, section, key), want))


# ---- 3. Recording -------------------------------------------------------------------

def write_tone(path, hz, seconds, rate=44100):
    """Raw S16_LE stereo sine for the virtual microphone."""
    frame = struct.Struct("<hh")
    with open(path, "wb") as f:
        chunk = bytearray()
        for n in range(int(seconds * rate)):
            v = int(12000 * math.sin(2 * math.pi * hz * n / rate))
            chunk += frame.pack(v, v)
            if len(chunk) >= 1 << 20:
                f.write(chunk)
                chunk = bytearray()
        f.write(chunk)


def mp3_facts(path):
    r = subprocess.run([MP3_TOOL, path], capture_output=True, timeout=60)
    check(r.returncode == 0, "the MP3 does not decode: %s" % r.stdout.decode(errors="replace"))
    return json.loads(r.stdout)


def recording(desk, build_bin, cleanups):
    check(os.path.exists(os.path.join(VIRTUAL_AUDIO_DIR, "native")),
          "no virtual audio daemon (the virtual_audio fixture did not run)")
    mic = os.path.join(desk.work, "mic.raw")
    speaker = os.path.join(desk.work, "speaker.raw")
    write_tone(mic, 440, 40)
    env = {"ALSA_CONFIG_PATH": os.path.join(HARNESS, "asound.conf"),
           "PULSE_SERVER": "unix:" + os.path.join(VIRTUAL_AUDIO_DIR, "native"),
           "TESTMIC_FILE": mic, "TESTSPK_FILE": speaker, "JACK_NO_START_SERVER": "1"}
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=env,
                                        extra={"Config": {"Bitrate": "7"}})  # 128 kbit/s
    path = shown_text(desk, main, FILE_BOX)
    check(path.startswith(folder + "/ELEVE1_"), "unexpected recording path %r" % path)

    press(desk, main, RECORD)
    wait_for("the recording file", lambda: os.path.exists(path), 10)
    started = time.monotonic()
    time.sleep(4)
    press(desk, main, PAUSE)
    paused = time.monotonic()
    time.sleep(3)
    press(desk, main, PAUSE)  # "Continuer"
    resumed = time.monotonic()
    time.sleep(6)
    press(desk, main, STOP)
    stopped = time.monotonic()
    mirlo.still_running("recording with a pause")
    expected = (paused - started) + (stopped - resumed)

    def settled():
        size = os.path.getsize(path)
        time.sleep(1.0)
        return size > 0 and os.path.getsize(path) == size
    wait_for("the recording to be completed", settled, 20)
    facts = mp3_facts(path)
    print("recording: expected about %.2f s, decoded %s" % (expected, facts), flush=True)
    check(facts["walk_ok"], "the MP3's frames are not clean: %s" % facts["walk_error"])
    check(abs(facts["seconds"] - expected) < 0.8,
          "the recording lasts %.2f s, expected about %.2f s" % (facts["seconds"], expected))
    check(abs(facts["frequency"] - 440) < 10, "the recording holds %.1f Hz, not the 440 Hz played"
          % facts["frequency"])

    before = os.path.getsize(speaker) if os.path.exists(speaker) else 0
    press(desk, main, PLAY)

    def played():
        size = os.path.getsize(speaker) if os.path.exists(speaker) else 0
        time.sleep(1.5)
        now = os.path.getsize(speaker) if os.path.exists(speaker) else 0
        return now > before and now == size and now
    after = wait_for("the playback to end", played, facts["seconds"] + 20, step=0.5)
    mirlo.still_running("playing the recording back")
    with open(speaker, "rb") as f:
        f.seek(before)
        data = f.read()
    # Seconds of tone heard: 50 ms windows of the left channel with a clear level.
    left = struct.unpack("<%dh" % (len(data) // 2), data[:len(data) // 2 * 2])[::2]
    window = facts["rate"] // 20
    loud = sum(1 for i in range(0, len(left) - window + 1, window)
               if math.sqrt(sum(v * v for v in left[i:i + window]) / window) > 2000)
    seconds_loud = loud / 20
    print("playback: %d bytes, %.2f s of tone" % (after - before, seconds_loud), flush=True)
    check(abs(seconds_loud - facts["seconds"]) < 0.5,
          "the playback gave about %.1f s of the tone, the recording holds %.1f s"
          % (seconds_loud, facts["seconds"]))


# ---- 4. Sending -----------------------------------------------------------------------

def start_upload_server(desk, cleanups):
    folder = os.path.join(desk.work, "server")
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


def start_mail_chain(desk, cleanups):
    """sendmail on PATH runs msmtp, which delivers to a test SMTP server."""
    bindir = os.path.join(desk.work, "bin")
    inbox = os.path.join(desk.work, "inbox")
    os.makedirs(bindir)
    os.makedirs(inbox)
    server = spawn(["/usr/bin/python3", os.path.join(TESTS_DIR, "send", "mail_server.py"), inbox],
                              stdout=subprocess.PIPE)
    cleanups.append(server.kill)
    port = server.stdout.readline().decode().strip()
    check(port.isdigit(), "the SMTP server did not start")
    with open(os.path.join(TESTS_DIR, "send", "mail_msmtprc.in")) as f:
        rc = f.read().replace("@PORT@", port).replace("@FOLDER@", bindir)
    with open(os.path.join(bindir, "msmtprc"), "w") as f:
        f.write(rc)
    os.chmod(os.path.join(bindir, "msmtprc"), 0o600)
    wrapper = os.path.join(bindir, "sendmail")
    with open(os.path.join(TESTS_DIR, "send", "mail_sendmail.sh"), "rb") as src, open(wrapper, "wb") as dst:
        dst.write(src.read())
    os.chmod(wrapper, 0o755)
    return bindir, inbox


def send(desk, build_bin, cleanups):
    port, log = start_upload_server(desk, cleanups)
    bindir, inbox = start_mail_chain(desk, cleanups)
    env = dict(NO_AUDIO, PATH=bindir + ":/usr/local/bin:/usr/bin:/bin")
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=env,
                                        extra={"Web": {"Proxy": "127.0.0.1", "ProxyPort": str(port)}})
    recording = os.path.join(folder, "devoir.mp3")
    content = random.Random(11).randbytes(60000)
    with open(recording, "wb") as f:
        f.write(content)

    pick_recording(desk, mirlo, main, recording)
    check(setting(read_ini(mirlo.working_settings), "Config", "Dossier") == folder,
          "the chooser did not store the recording's folder")
    press(desk, main, SEND)  # "Envoyer sur le site"
    close_message(desk, mirlo, "the upload's result")
    with open(log) as f:
        requests = json.load(f)
    check(len(requests) == 2, "%d upload requests, expected the test file and the recording" % len(requests))
    sent = requests[1]
    files = [x for x in sent["fields"] if "filename" in x]
    fields = {x["name"]: x["value"] for x in sent["fields"] if "value" in x}
    check(sent["host"] == PUPIL["site"] and sent["path"] == PUPIL["script"] and sent["proxy_form"],
          "the upload went to %s%s" % (sent["host"], sent["path"]))
    check(files and files[0]["filename"] == "devoir.mp3"
          and files[0]["sha256"] == hashlib.sha256(content).hexdigest(),
          "the server did not receive the recording's bytes: %s" % files)
    check(fields.get("login") == "ELEVE1" and fields.get("password") == PUPIL["password"],
          "the upload carried login %r and password %r" % (fields.get("login"), fields.get("password")))

    # Mail mode, through the about box and the settings dialog.
    press(desk, main, INFOS)
    about = mirlo.window(ABOUT)
    desk.keys(about, "Tab", "Tab", "space")  # OK, Aide, "Modifier les paramètres"
    dialog = mirlo.window(SETTINGS)
    desk.keys(dialog, *(["Tab"] * 7))  # from the sender's address to "Téléchargement sur le site Web"
    desk.keys(dialog, "Right")  # "Envoi par email"
    desk.keys(dialog, "Return")
    close_message(desk, mirlo, "the notice after validating")
    main = mirlo.window(MAIN)
    check(setting(read_ini(mirlo.working_settings), "Web", "mode") == "mail", "mail mode was not stored")
    pick_recording(desk, mirlo, main, recording)
    press(desk, main, SEND)  # "Envoyer par email"
    wait_for("the e-mail to arrive", lambda: os.path.exists(os.path.join(inbox, "mail-1.eml")), 60)
    mirlo.still_running("sending by e-mail")
    with open(os.path.join(inbox, "mail-1.eml"), "rb") as f:
        message = BytesParser(policy=policy.default).parse(f)
    with open(os.path.join(inbox, "mail-1.json")) as f:
        envelope = json.load(f)
    check(envelope["to"] == [PUPIL["recipient"]], "the mail went to %s" % envelope["to"])
    check(PUPIL["sender"] in str(message["From"]), "the mail comes from %s" % message["From"])
    check(str(message["Subject"]) == "Enregistrement : ELEVE1", "the subject is %r" % str(message["Subject"]))
    attached = [p for p in message.iter_attachments()]
    check(len(attached) == 1 and attached[0].get_filename() == "devoir.mp3"
          and attached[0].get_content() == content, "the mail does not carry the recording")


# ---- 5. New recording through Launch ---------------------------------------------------

def new_recording(desk, build_bin, cleanups):
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups,
                                        extra={"window": {"Top": "1500", "Left": "1500"}})
    # The pupil drags the window somewhere else first.
    left, top, _, _ = desk.geometry(main)
    grab_x, grab_y = on_main(desk, main, BACKGROUND)
    desk.activate(main)
    desk.xdo("mousemove", left + grab_x, top + grab_y)
    desk.xdo("mousedown", 1)
    for step in range(1, 11):
        time.sleep(0.05)
        desk.xdo("mousemove", left + grab_x + 17 * step, top + grab_y + 9 * step)
    time.sleep(0.2)
    desk.xdo("mouseup", 1)
    time.sleep(0.5)
    place = desk.geometry(main)
    check(place[:2] != (left, top), "the window did not follow the drag from %s" % ((left, top),))

    recording = os.path.join(folder, "devoir.mp3")
    with open(recording, "wb") as f:
        f.write(b"\xff\xfb\x90\x00" * 1000)
    pick_recording(desk, mirlo, main, recording)
    press(desk, main, STOP)  # a stop ends the session: "Nouvel enregistrement" is offered
    press(desk, main, NEW_RECORDING)
    wait_for("Mirlo to end", lambda: mirlo.process.poll() is not None, 15)
    check(mirlo.process.returncode == 0, "Mirlo ended with code %s" % mirlo.process.returncode)
    launch = desk.window(LAUNCH, 10)
    launch_pid = desk.pid(launch)
    cleanups.append(lambda: kill(launch_pid, "Launch"))
    # X may give the new window the old one's id: tell them apart by process.
    again = wait_for("Mirlo's window again",
                     lambda: [w for w in desk.windows(MAIN) if desk.pid(w) not in (None, mirlo.process.pid)],
                     20)[0]
    new_pid = desk.pid(again)
    cleanups.append(lambda: kill(new_pid, "Mirlo"))
    wait_for("Launch to end", lambda: ended(launch_pid), 10)
    check(desk.geometry(again)[:2] == place[:2], "Mirlo came back at %s, it stood at %s"
          % (desk.geometry(again)[:2], place[:2]))
    check(len(desk.windows(MAIN)) == 1, "Launch started Mirlo more than once")
    stored = read_ini(mirlo.working_settings)
    check(setting(stored, "window", "Top") != "1500" and setting(stored, "window", "Left") != "1500",
          "the window's new place was not stored: %s" % stored.get("window"))


def ended(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except OSError:
        return True


def kill(pid, name):
    """Ends a program this journey had started through Mirlo."""
    if pid is None:
        return
    try:
        with open("/proc/%d/comm" % pid) as f:
            if f.read().strip() != name:
                return
        os.kill(pid, 15)
    except (OSError, ValueError):
        pass


# ---- 6. The about box ------------------------------------------------------------------

def about_box(desk, build_bin, cleanups):
    mirlo, main, _ = settled_mirlo(desk, build_bin, cleanups)
    # F1 without a help file opens the about box in place of the main window.
    desk.keys(main, "F1")
    about = mirlo.window(ABOUT)
    check(not desk.windows(MAIN), "the main window stays up beside the about box")
    desk.keys(about, "Escape")
    desk.gone(about)
    mirlo.still_running("closing the about box with Escape")
    main = mirlo.window(MAIN)

    press(desk, main, INFOS)
    about = mirlo.window(ABOUT)
    check(not desk.windows(MAIN), "the main window stays up beside the about box")
    x, y, w, h = desk.geometry(about)
    # The pointer jumps onto OK, at the right end of the bottom row.
    wait_for("the pointer on OK", lambda: (lambda p: p if p[0] > x + w / 2 and p[1] > y + h - 60
                                                      else None)(desk.pointer()), 5)
    desk.xdo("click", 1)
    desk.gone(about)
    mirlo.still_running("closing the about box with OK")
    main = mirlo.window(MAIN)

    # From the about box to the settings, where the folder chooser is cancelled.
    press(desk, main, INFOS)
    about = mirlo.window(ABOUT)
    desk.keys(about, "Tab", "Tab", "space")
    dialog = mirlo.window(SETTINGS)
    check(not desk.windows(ABOUT), "the about box stays up beside the settings")
    desk.keys(dialog, "shift+Tab", "shift+Tab", "space")  # back from the first box to "Parcourir"
    chooser = mirlo.window(FOLDER_CHOOSER)
    desk.keys(chooser, "Escape")
    desk.gone(chooser)
    mirlo.still_running("cancelling the folder chooser opened from the about box")
    desk.keys(dialog, "alt+F4")  # the window's close box: back to recording, nothing saved
    desk.gone(dialog)
    mirlo.still_running("closing the settings dialog")
    mirlo.window(MAIN)


# ---- 7. A second start ------------------------------------------------------------------

def second_start(desk, build_bin, cleanups):
    """Mirlo started again while it sits minimised: its window comes back at once."""
    mirlo, main, _ = settled_mirlo(desk, build_bin, cleanups)
    desk.xdo("windowminimize", "--sync", main)
    wait_for("the main window to leave the screen", lambda: not desk.windows(MAIN), 5)

    second = spawn([os.path.join(mirlo.folder, "Mirlo")], env=desk.env(NO_AUDIO), cwd=desk.home,
                   stdout=mirlo.log, stderr=mirlo.log)
    cleanups.append(lambda: second.poll() is None and second.kill())
    box = desk.window(MESSAGE, 5)
    check(main in desk.windows(MAIN), "the running Mirlo's window stayed minimised")
    check("_NET_WM_STATE_HIDDEN" not in desk.output(["xprop", "-id", str(main), "_NET_WM_STATE"]),
          "the window manager still holds the main window as minimised")
    desk.keys(box, "Return")
    desk.gone(box)
    wait_for("the second Mirlo to end", lambda: second.poll() is not None, 10)
    check(second.returncode == 0, "the second Mirlo ended with %s" % second.returncode)
    mirlo.still_running("a second start")
    desk.activate(main)


JOURNEYS = {
    "FirstRun": first_run,
    "FirstRunLeftBlank": first_run_left_blank,
    "ParameterImport": parameter_import,
    "RecordPausePlay": recording,
    "SendByUploadThenMail": send,
    "NewRecordingThroughLaunch": new_recording,
    "AboutBox": about_box,
    "SecondStart": second_start,
}

if __name__ == "__main__":
    sys.exit(run(JOURNEYS, sys.argv))
