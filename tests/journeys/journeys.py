#!/usr/bin/python3
"""A pupil's journeys through the real Mirlo, one per ctest entry.

    journeys.py NAME BUILD_BIN WORK_ROOT [TESTS_DIR VIRTUAL_AUDIO_DIR MP3_TOOL]
"""
import hashlib
import json
import math
import os
import random
import shutil
import struct
import subprocess
import sys
import time
from email import policy
from email.parser import BytesParser

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import (DESIGN_SIZE, Mirlo, check, on_main, press, read_ini, run, scramble, setting, shown_text,  # noqa: E402
                     spawn,
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


def settled_mirlo(desk, build_bin, cleanups, mode="web", extra=None, env=None, command=None):
    """Mirlo with a finished first run, its recordings folder, and its main window up."""
    folder = os.path.join(desk.work, "recordings")
    os.makedirs(folder, exist_ok=True)
    mirlo = Mirlo(desk, build_bin, env or NO_AUDIO)
    cleanups.append(mirlo.stop)
    os.makedirs(os.path.dirname(mirlo.working_settings), exist_ok=True)
    write_ini(mirlo.working_settings, stored_settings(folder, mode, extra))
    mirlo.start(command(mirlo) if command else None)
    main = mirlo.window(MAIN)
    return mirlo, main, folder


def close_message(desk, mirlo, after, box=None):
    """Acknowledges the program's message box with Enter."""
    box = box or mirlo.window(MESSAGE)
    desk.keys(box, "Return")
    desk.gone(box)
    mirlo.still_running(after)




def audio_env(desk, seconds=40, source=None):
    """The virtual microphone playing a tone (on `source` when given), the
    speaker written to speaker.raw."""
    check(os.path.exists(os.path.join(VIRTUAL_AUDIO_DIR, "native")),
          "no virtual audio daemon (the virtual_audio fixture did not run)")
    mic = os.path.join(desk.work, "mic.raw")
    write_tone(mic, 440, seconds)
    env = {"ALSA_CONFIG_PATH": os.path.join(HARNESS, "asound.conf"),
           "PULSE_SERVER": "unix:" + os.path.join(VIRTUAL_AUDIO_DIR, "native"),
           "TESTMIC_FILE": mic, "TESTSPK_FILE": os.path.join(desk.work, "speaker.raw"),
           "JACK_NO_START_SERVER": "1"}
    if source:
        env["TESTMIC_SOURCE"] = source
    return env


def stand_in_browser(desk):
    """An xdg-open that notes each address it is given, a line each; returns
    the PATH that finds it and the notes' file."""
    bindir = os.path.join(desk.work, "bin")
    os.makedirs(bindir)
    opened = os.path.join(desk.work, "opened.txt")
    browser = os.path.join(bindir, "xdg-open")
    with open(browser, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % opened)
    os.chmod(browser, 0o755)
    return bindir + ":/usr/local/bin:/usr/bin:/bin", opened


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
    """The pupil types only what is required: no folder, and a sending mode only when asked."""
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
    close_message(desk, mirlo, "the question for a sending mode")
    check(desk.windows(SETTINGS) and not desk.windows(MAIN), "validated without a sending mode")
    check(not os.path.exists(mirlo.working_settings)
          or not setting(read_ini(mirlo.working_settings), "email", "Nom"),
          "the settings were stored without a sending mode")
    desk.keys(dialog, "Tab", "Tab", "space")  # past the proxy's port to "Téléchargement sur le site Web"
    desk.keys(dialog, "Return")
    close_message(desk, mirlo, "the notice after validating")
    main = mirlo.window(MAIN)

    stored = read_ini(mirlo.working_settings)
    folder = setting(stored, "Config", "Dossier")
    check(folder.startswith(desk.home + "/"), "with no location the recordings go to %r" % folder)
    check(setting(stored, "Web", "mode") == "web", "the mode stored is %r" % setting(stored, "Web", "mode"))
    path = shown_text(desk, main, FILE_BOX)
    check(path.startswith(desk.home + "/") and path.endswith(".mp3"), "the recording would be %r" % path)


def older_settings_files(desk, build_bin, cleanups):
    """What an older or damaged installation leaves: a 300-character folder (read back whole),
    no sending mode (told at hand-in) and a shared settings file that is a link (told at start)."""
    folder = os.path.join(desk.work, "f")
    while len(folder) < 300:
        folder = os.path.join(folder, "dossier-des-enregistrements-de-la-classe")
    os.makedirs(folder)
    mirlo = Mirlo(desk, build_bin, NO_AUDIO)
    cleanups.append(mirlo.stop)
    os.makedirs(os.path.dirname(mirlo.working_settings), exist_ok=True)
    write_ini(mirlo.working_settings, stored_settings(folder, mode=""))
    school = os.path.join(desk.work, "ecole.ini")
    write_ini(school, {"IniPath": {"Location": "Lycee", "Perso": desk.work}})
    os.symlink(school, mirlo.program_settings)
    mirlo.start()
    close_message(desk, mirlo, "the notice that the shared settings file is a link")
    main = mirlo.window(MAIN)
    path = shown_text(desk, main, FILE_BOX)
    check(os.path.dirname(path) == folder, "with a %d-character folder the recording would be %r"
          % (len(folder), path))

    recording = os.path.join(folder, "devoir.mp3")
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
    desk.keys(dialog, "Tab", "Tab", "Tab", "space")  # past the proxy to "Téléchargement sur le site Web"
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
    env = audio_env(desk)
    speaker = env["TESTSPK_FILE"]
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
    desk.keys(about, "shift+Tab", "space")  # from OK back to "Modifier les paramètres"
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

def shows_mirlos_icon(desk, wid):
    """The window's icon is Mirlo's picture (resources/mirlo.png), not a generic one."""
    picture = os.path.join(TESTS_DIR, "..", "resources", "mirlo.png")
    size = subprocess.run(["identify", "-format", "%w %h", picture], capture_output=True).stdout.split()
    w, h, pixels = desk.icon(wid)
    if (w, h) != tuple(int(v) for v in size):
        return False
    for x, y in ((w // 6, h // 2), (w // 2, h // 4), (w // 2, h * 4 // 5)):
        want = desk.pixels(picture, x, y, 1, 1)[0]
        if any(abs(a - b) > 2 for a, b in zip(pixels[(x, y)], want)):
            return False
    return True


def desktop_entry_class():
    with open(os.path.join(TESTS_DIR, "..", "resources", "mirlo.desktop"), encoding="utf-8") as f:
        found = [line.split("=", 1)[1].strip() for line in f if line.startswith("StartupWMClass=")]
    check(found, "the desktop entry names no StartupWMClass")
    return found[0]


def through_link(mirlo):
    """The "mirlo" link the desktop entry starts, as installed beside the programs."""
    link = os.path.join(mirlo.desktop.work, "bin", "mirlo")
    os.makedirs(os.path.dirname(link), exist_ok=True)
    os.symlink(os.path.join(mirlo.folder, "Mirlo"), link)
    return link


def new_recording(desk, build_bin, cleanups):
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, command=through_link,
                                        extra={"window": {"Top": "1500", "Left": "1500"}})
    # Started from the desktop entry's link, the window belongs to the entry.
    entry_class = desktop_entry_class()
    check(desk.window_class(main)[1:] == (entry_class,),
          "Mirlo's window class is %s, the desktop entry's %r" % (desk.window_class(main), entry_class))
    check(shows_mirlos_icon(desk, main), "Mirlo's window does not show Mirlo's icon")
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
    check(shows_mirlos_icon(desk, again), "after Nouvel enregistrement the window does not show Mirlo's icon")
    check(desk.window_class(again)[1:] == (entry_class,),
          "after Nouvel enregistrement the window class is %s, not the desktop entry's %r"
          % (desk.window_class(again), entry_class))
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
    check(shows_mirlos_icon(desk, about), "the about box does not show Mirlo's icon")
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
    desk.keys(about, "shift+Tab", "space")  # from OK back to "Modifier les paramètres"
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


# ---- 7. Hand-in to real servers ---------------------------------------------------------
# nginx with php-fpm running a school's upload script, and squid, in a network
# namespace of the journey's own (ctest starts it under unshare): the site is
# "localhost" on ports 80 and 443, as a pupil's would be.

sys.path.insert(0, os.path.join(TESTS_DIR, "send", "realservers"))
from realservers import RealServers, isolate, trust_authority  # noqa: E402

PROGRESS = "Progression du t_l_chargement"
SUCCESS = "Le fichier a été transféré avec succès."
NOT_HANDED_IN = "L'enregistrement n'a pas été transféré (fichier %d sur %d)."
HTTP_FAILURE = "Echec du transfert, code de réponse HTTP = %d"
REAL_SITE = "localhost"
SHOWN_AND_PRINTED = dict(NO_AUDIO, MIRLO_PRINT_MESSAGES="show")


def real_servers(desk, cleanups, **options):
    isolate()
    tls = None
    if options.pop("tls", False):
        certs = os.path.join(desk.work, "certs")
        os.makedirs(certs)
        subprocess.run(["bash", os.path.join(TESTS_DIR, "send", "make_test_certs.sh"), certs],
                       check=True, capture_output=True)
        trust_authority(desk.work, os.path.join(certs, "ca.pem"))
        tls = (os.path.join(certs, "good.pem"), os.path.join(certs, "good.key"))
    servers = RealServers(os.path.join(desk.work, "servers"), login=PUPIL["login"].upper(),
                          password=PUPIL["password"], tls=tls, http_port=80, https_port=443 if tls else 0,
                          **options)
    cleanups.append(servers.stop)
    servers.start()
    return servers


def printed_messages(mirlo):
    """The messages Mirlo printed (MIRLO_PRINT_MESSAGES=show prints each one it shows)."""
    with open(os.path.join(mirlo.desktop.work, "mirlo.log"), "rb") as f:
        lines = f.read().decode("utf-8", "replace").splitlines()
    found = [line.split(": ", 1)[1] for line in lines if line.startswith("message ") and ": " in line]
    return [text.replace("\\r", "\n").replace("\\n", "\n") for text in found]


def hand_in(desk, mirlo, main, quiet=8.0, limit=150.0):
    """Presses the send button; acknowledges every message box the hand-in shows until
    neither a message nor a progress window has been seen for `quiet` seconds.
    Returns what the boxes said."""
    before = len(printed_messages(mirlo))
    press(desk, main, SEND)
    boxes = 0
    end = time.monotonic() + limit
    last = time.monotonic()
    while time.monotonic() - last < quiet:
        check(time.monotonic() < end, "the hand-in still runs after %.0f s" % limit)
        check(mirlo.process.poll() is None, "Mirlo ended during the hand-in")
        shown = desk.windows(MESSAGE)
        if shown:
            desk.keys(shown[-1], "Return")
            desk.gone(shown[-1])
            boxes += 1
            last = time.monotonic()
        elif desk.windows(PROGRESS):
            last = time.monotonic()
        time.sleep(0.2)
    texts = printed_messages(mirlo)[before:]
    check(len(texts) == boxes, "%d message boxes shown, %d messages printed: %r" % (boxes, len(texts), texts))
    return texts


def recording_of(folder, name, size):
    content = random.Random(size).randbytes(size)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(content)
    return os.path.join(folder, name), content


def send_whole(desk, mirlo, main, servers, folder, name, size):
    path, content = recording_of(folder, name, size)
    pick_recording(desk, mirlo, main, path)
    texts = hand_in(desk, mirlo, main)
    check(texts == [SUCCESS], "handing in %d bytes showed %r" % (size, texts))
    stored = servers.stored(name)
    check(stored == content, "the server holds %s bytes of the %d sent, %s"
          % (None if stored is None else len(stored), size, "equal" if stored == content else "not equal"))


def real_server_upload(desk, build_bin, cleanups):
    """A single and a split upload to nginx + php-fpm arrive whole."""
    servers = real_servers(desk, cleanups)
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=SHOWN_AND_PRINTED,
                                        extra={"Web": {"Site": REAL_SITE}})
    send_whole(desk, mirlo, main, servers, folder, "devoir.mp3", 300_000)
    send_whole(desk, mirlo, main, servers, folder, "expose.mp3", 4_500_000)
    pieces = [r for r in servers.requests() if r["split"] and r["file"].startswith("expose_")]
    check([r["file"] for r in pieces] == ["expose_1", "expose_2", "expose_3"],
          "the pieces that arrived: %s" % [r["file"] for r in pieces])


def real_server_body_limit(desk, build_bin, cleanups):
    """Behind nginx's 1m limit every piece gets 413: one message says the recording was
    not handed in, nothing is sent after the first piece, and no success is claimed."""
    servers = real_servers(desk, cleanups, body_limit="1m")
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=SHOWN_AND_PRINTED,
                                        extra={"Web": {"Site": REAL_SITE}})
    size = 2_500_000  # two pieces of 1.25 MB, then the piece list: "fichier 1 sur 3"
    path, _ = recording_of(folder, "devoir.mp3", size)
    pick_recording(desk, mirlo, main, path)
    texts = hand_in(desk, mirlo, main)
    print("messages: %r" % texts, flush=True)
    check(not any(SUCCESS in t for t in texts), "the pupil is told the file arrived: %r" % texts)
    lines = texts[0].split("\n") if len(texts) == 1 else []
    check(lines and lines[0] == NOT_HANDED_IN % (1, 3) and HTTP_FAILURE % 413 in lines[1:],
          "expected one message saying the recording was not handed in because of 413, got %r" % texts)
    refused = [line for line in servers.log("nginx-access.log") if '" 413 ' in line]
    check(len(refused) == 1, "nginx refused %d pieces; nothing should follow the first refusal" % len(refused))
    check(not any(r["file"].startswith("Frac_") for r in servers.requests()),
          "the piece list was sent after a piece failed")


def real_server_through_squid(desk, build_bin, cleanups):
    """The hand-in through squid, a real proxy, arrives whole."""
    servers = real_servers(desk, cleanups, squid=True, tls=True)
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=SHOWN_AND_PRINTED, extra={
        "Web": {"Site": REAL_SITE, "Proxy": "127.0.0.1", "ProxyPort": str(servers.squid_port)}})
    send_whole(desk, mirlo, main, servers, folder, "devoir.mp3", 300_000)
    relayed = [line for line in servers.log("squid/access.log") if "POST http://localhost/" in line
               or "CONNECT localhost:443" in line]
    check(len(relayed) >= 2, "squid relayed %d requests: %s" % (len(relayed), servers.log("squid/access.log")))


def real_server_move_to_https(desk, build_bin, cleanups):
    """A site that moved to HTTPS gets the recording over TLS, and never the password in clear."""
    servers = real_servers(desk, cleanups, tls=True, move_to_https=True)
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=SHOWN_AND_PRINTED,
                                        extra={"Web": {"Site": REAL_SITE}})
    send_whole(desk, mirlo, main, servers, folder, "devoir.mp3", 300_000)
    check(all(r["https"] for r in servers.requests()), "the upload script was reached in clear")
    clear = [line for line in servers.log("nginx-access.log") if '"POST ' in line]
    check(not clear, "%d requests carried the login and password in clear: %s" % (len(clear), clear))


# ---- 8. Help ----------------------------------------------------------------------------

HELP_IMAGE = (431, 27)


def help_pages(desk, build_bin, cleanups):
    """Each help entry opens its window's page in the browser (a stand-in xdg-open that notes it)."""
    path, opened = stand_in_browser(desk)
    env = dict(NO_AUDIO, PATH=path)
    mirlo, main, _ = settled_mirlo(desk, build_bin, cleanups, env=env)
    shutil.copytree(os.path.join(build_bin, "help"), os.path.join(mirlo.folder, "help"))

    def pages():
        if not os.path.exists(opened):
            return []
        with open(opened) as f:
            return f.read().split()

    def expect(count, page, what):
        got = wait_for("the browser to be asked for %s" % page, lambda: len(pages()) >= count and pages(), 10)
        url = "file://" + os.path.join(mirlo.folder, "help", page)
        check(len(got) == count and got[-1] == url, "%s opened %s, not %s" % (what, got[count - 1:], url))
        mirlo.still_running(what)

    desk.keys(main, "F1")
    expect(1, "enregistrer.html", "F1 in the main window")
    check(not desk.windows(ABOUT), "F1 opened the about box although the help is there")
    press(desk, main, HELP_IMAGE)
    expect(2, "enregistrer.html", 'the "?" image')
    press(desk, main, INFOS)
    about = mirlo.window(ABOUT)
    desk.keys(about, "shift+Tab", "shift+Tab", "space")  # from OK back to "Aide"
    expect(3, "index.html", 'the about box\'s "Aide"')
    desk.keys(about, "Tab", "space")  # "Modifier les paramètres"
    dialog = mirlo.window(SETTINGS)
    desk.keys(dialog, "F1")
    expect(4, "parametres.html", "F1 in the settings dialog")


# ---- 9. Keyboard and screen reader ------------------------------------------------------

def named(tree, name, role=None):
    """The objects a screen reader meets under that name (and role)."""
    return [o for o in tree if o["name"] == name and (role is None or o["role"] == role)]


def one(tree, name, role=None):
    found = named(tree, name, role)
    check(len(found) == 1, "a screen reader meets %d objects named %r%s" % (
        len(found), name, " (%s)" % role if role else ""))
    return found[0]


def focused(desk):
    return [o["name"] for o in desk.accessible_tree() if "focused" in o["states"]]


def list_shown(desk, shown=True):
    """Waits for an option list to be up (or gone)."""
    wait_for("an option list to %s" % ("open" if shown else "close"),
             lambda: bool(desk.popups("Mirlo")) == shown, 10, step=0.2)


def keyboard_and_screen_reader(desk, build_bin, cleanups):
    """The pupil works with the keyboard alone and a screen reader on the real accessibility bus."""
    env = audio_env(desk)
    desk.start_accessibility_bus()
    # What the desktop would open for a link: its address, on file.
    env["PATH"], opened = stand_in_browser(desk)
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=env)

    def registered():
        try:
            tree = desk.accessible_tree()
        except AssertionError:  # not on the bus yet
            return None
        return tree if named(tree, "Niveau du micro") else None
    tree = wait_for("Mirlo on the accessibility bus", registered, 20, step=0.5)

    # Each option box: a list that drops down, opened by an action, described
    # for the keyboard as well as the mouse.
    for name in ("Périphérique d'enregistrement", "Fréquence", "Bitrate", "Qualité"):
        box = one(tree, name, "combo box")
        check("ShowMenu" in box["actions"], "%r offers %s, not to open its list" % (name, box["actions"]))
        check("Espace" in box["description"], "%r is described as %r" % (name, box["description"]))
    meter = one(tree, "Niveau du micro")
    check(meter.get("value") == [-60.0, -60.0, 0.0], "the level meter reads %s before recording"
          % meter.get("value"))
    check(len(named(tree, "Mirlo - Enregistrement  Mp3")) == 1, "the title is read more than once")
    for o in tree:
        if o["role"] == "push button" and "sensitive" not in o["states"]:
            check("Press" not in o["actions"], "the disabled %r offers Press" % o["name"])
    check(not [o for o in tree if o["role"] == "push button" and "sensitive" not in o["states"]
               and o["name"] == "Enregistrer"], "Enregistrer is off at the start")

    # The reader's action opens the quality list; the arrows and Enter choose.
    before = setting(read_ini(mirlo.working_settings), "Config", "Quality")
    desk.activate(main)
    desk.screen_reader("do", "Mirlo", "Qualité", "ShowMenu")
    list_shown(desk)
    desk.xdo("key", "Down")
    desk.xdo("key", "Return")
    wait_for("the quality chosen through the screen reader",
             lambda: setting(read_ini(mirlo.working_settings), "Config", "Quality") == str(int(before) + 1), 5)

    # Keyboard only: the first stop is the device box. Space opens its list,
    # Escape closes it unchanged, Space again, Down and Enter choose the next device.
    wait_for("the first focus on the device box", lambda: focused(desk) == ["Périphérique d'enregistrement"], 5)
    device = setting(read_ini(mirlo.working_settings), "Config", "Periph")
    desk.keys(main, "space")
    list_shown(desk)
    desk.xdo("key", "Escape")
    list_shown(desk, False)
    check(setting(read_ini(mirlo.working_settings), "Config", "Periph") == device, "Escape chose a device")
    desk.keys(main, "space")
    list_shown(desk)
    desk.xdo("key", "Down")
    desk.xdo("key", "Return")
    wait_for("the next device chosen with the keyboard",
             lambda: setting(read_ini(mirlo.working_settings), "Config", "Periph") == str(int(device) + 1), 5)
    check(main in desk.windows(MAIN), "the main window went away")
    # Alt+Down on the sample rate, then Up and Enter: 32000 Hz.
    desk.keys(main, "Tab", "alt+Down")
    list_shown(desk)
    desk.xdo("key", "Up")
    desk.xdo("key", "Return")
    wait_for("the sample rate chosen with Alt+Down",
             lambda: setting(read_ini(mirlo.working_settings), "Config", "Freq") == "1", 5)

    # Tab on to Enregistrer (bit rate, quality, file, browse); Space records,
    # and the focus waits on Pause: Space again pauses, it does not open "Infos".
    desk.keys(main, "Tab", "Tab", "Tab", "Tab", "Tab")
    wait_for("Tab to reach Enregistrer", lambda: focused(desk) == ["Enregistrer"], 5)
    desk.keys(main, "space")
    wait_for("the focus on Pause", lambda: focused(desk) == ["Pause"], 5)
    level = wait_for("the level meter to read the tone", lambda: (lambda v: v if v > -30 else None)(
        one(desk.accessible_tree(), "Niveau du micro")["value"][0]), 10)
    print("level read by the screen reader while recording: %.0f dB" % level, flush=True)
    desk.keys(main, "space")
    wait_for("Pause to become Continuer", lambda: named(desk.accessible_tree(), "Continuer"), 5)
    check(not desk.windows(ABOUT) and desk.windows(MAIN), "the second Space left the main window")
    desk.keys(main, "Tab", "space")  # Stop
    wait_for("the focus on Playback once the recording is complete",
             lambda: focused(desk) == ["Playback : écouter l'enregistrement"], 10)
    mirlo.still_running("a recording made with the keyboard")

    # The about box's links: Tab stops on them, Space and the reader's Press follow them.
    desk.keys(main, "Tab", "Tab", "Tab", "space")  # Envoyer, Nouvel enregistrement, Infos
    about = mirlo.window(ABOUT)
    links = [o for o in desk.accessible_tree() if o["role"] == "link"]
    check(sorted(o["name"] for o in links) == ["Projet Mirlo", "mirlo@example.org"]
          and all("Press" in o["actions"] for o in links), "the about box's links: %s" % links)
    credits = [o for o in desk.accessible_tree() if o["name"].startswith("Utilitaire d'enregistrement.")]
    check(len(credits) == 1, "the credit is read %d times" % len(credits))
    desk.keys(about, "Tab", "Tab", "space")  # from OK: the company link, the contact address
    desk.screen_reader("do", "Mirlo", "mirlo@example.org", "Press")
    wait_for("the mail program asked twice", lambda: os.path.exists(opened) and open(opened).read().count(
        "mailto:mirlo@example.org?subject=Mirlo") == 2, 10)
    desk.keys(about, "Escape")
    desk.gone(about)
    mirlo.still_running("following the about box's links")


# ---- 10. A dark desktop theme and a large font ---------------------------------------------

def luminance(rgb):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def text_contrast(desk, shot, extents):
    """Contrast of a text with what is behind it: its background is the commonest
    colour of its rectangle, its colour the one that differs most from that."""
    x, y, w, h = extents
    pixels = desk.pixels(shot, x, y, w, h)
    back = max(set(pixels), key=pixels.count)
    return max(contrast(p, back) for p in pixels)


def inked_rows(desk, shot, extents):
    """Share of a rectangle's rows that hold something drawn (clearly apart from its background)."""
    x, y, w, h = extents
    pixels = desk.pixels(shot, x, y, w, h)
    back = max(set(pixels), key=pixels.count)
    return sum(1 for r in range(h) if any(contrast(p, back) >= 3 for p in pixels[r * w:(r + 1) * w])) / h


def dark_theme_large_font(desk, build_bin, cleanups):
    """A desktop with a dark palette and an 18-point font (qt6ct, as on many school desktops)."""
    desk.start_accessibility_bus()
    theme = os.path.join(desk.config, "qt6ct")
    os.makedirs(theme)
    with open(os.path.join(theme, "qt6ct.conf"), "w") as f:
        f.write("[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\n"
                "style=Fusion\n\n[Fonts]\ngeneral=\"DejaVu Sans,18,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"\n")
    env = dict(NO_AUDIO, QT_QPA_PLATFORMTHEME="qt6ct")
    mirlo, main, _ = settled_mirlo(desk, build_bin, cleanups, env=env)

    def tree_with(name):
        def probe():
            try:
                tree = desk.accessible_tree()
            except AssertionError:  # not on the bus yet
                return None
            return tree if named(tree, name) else None
        return wait_for("%r on the accessibility bus" % name, probe, 20, step=0.5)

    tree = tree_with("Niveau du micro")
    time.sleep(0.5)
    shot = desk.screenshot("dark-main-window")
    _, _, width, height = desk.geometry(main)
    check(width > DESIGN_SIZE[0] * 1.5, "the main window did not grow with the 18-point font: %dx%d" % (width, height))
    # The title and the microphone grow with the window, not only the room around them.
    for name, role, share in (("Mirlo - Enregistrement  Mp3", "label", 0.45), ("Micro", "image", 0.75)):
        inked = inked_rows(desk, shot, one(tree, name, role)["extents"])
        print("%r fills %.0f %% of its height" % (name, inked * 100), flush=True)
        check(inked >= share, "%r fills only %.0f %% of its place: it kept its designed size" % (name, inked * 100))
    for caption in ("Périphérique d'enregistrement :", "Fréquence  :", "Fichier :", "Durée :", "Octets écrits :",
                    "Mirlo - Enregistrement  Mp3"):
        ratio = text_contrast(desk, shot, one(tree, caption, "label")["extents"])
        print("contrast of %r: %.1f:1" % (caption, ratio), flush=True)
        check(ratio >= 4.5, "%r reads at %.1f:1 under a dark theme" % (caption, ratio))

    desk.keys(main, "F1")  # no help file: the about box
    about = mirlo.window(ABOUT)
    tree = tree_with("mirlo@example.org")
    time.sleep(0.5)
    shot = desk.screenshot("dark-about-box")
    x, y, w, h = desk.outer_geometry(about)
    screen_w, screen_h = desk.screen_size()
    check(x >= 0 and y >= 0 and x + w <= screen_w and y + h <= screen_h,
          "the about box (%d, %d, %dx%d) does not fit the %dx%d screen" % (x, y, w, h, screen_w, screen_h))
    for link in ("Projet Mirlo", "mirlo@example.org"):
        ratio = text_contrast(desk, shot, one(tree, link, "link")["extents"])
        print("contrast of %r: %.1f:1" % (link, ratio), flush=True)
        check(ratio >= 4.5, "the link %r reads at %.1f:1 under a dark theme" % (link, ratio))
    desk.keys(about, "Escape")
    desk.gone(about)
    mirlo.still_running("the about box under a dark theme")


# ---- 11. A second start ------------------------------------------------------------------

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
    "OlderSettingsFiles": older_settings_files,
    "Help": help_pages,
    "ParameterImport": parameter_import,
    "RecordPausePlay": recording,
    "SendByUploadThenMail": send,
    "NewRecordingThroughLaunch": new_recording,
    "AboutBox": about_box,
    "RealServerUpload": real_server_upload,
    "RealServerBodyLimit": real_server_body_limit,
    "RealServerThroughSquid": real_server_through_squid,
    "RealServerMoveToHttps": real_server_move_to_https,
    "KeyboardAndScreenReader": keyboard_and_screen_reader,
    "DarkThemeLargeFont": dark_theme_large_font,
    "SecondStart": second_start,
}

if __name__ == "__main__":
    sys.exit(run(JOURNEYS, sys.argv))
