#!/usr/bin/python3
"""Recordings that cannot start, on the real Mirlo: the pupil is told why and
can try again at once.

    recording_faults.py NAME BUILD_BIN WORK_ROOT TESTS_DIR VIRTUAL_AUDIO_DIR MP3_TOOL
"""
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import check, run, wait_for  # noqa: E402
from journeys import (FILE_BOX, MESSAGE, RECORD, STOP, audio_env, close_message, mp3_facts, press,  # noqa: E402
                      settled_mirlo, shown_text)


def lock(folder):
    """Makes a folder that nobody, not even root, can create files in; returns
    the undo, or None when this machine gives no way to."""
    if os.geteuid() != 0:
        os.chmod(folder, 0o555)
        return lambda: os.chmod(folder, 0o755)
    if subprocess.run(["chattr", "+i", folder], capture_output=True).returncode == 0:
        return lambda: subprocess.run(["chattr", "-i", folder], capture_output=True)
    # A file system without attributes: a read-only view of the folder.
    if subprocess.run(["mount", "--bind", folder, folder], capture_output=True).returncode != 0:
        return None
    if subprocess.run(["mount", "-o", "remount,ro,bind", folder], capture_output=True).returncode != 0:
        subprocess.run(["umount", folder], capture_output=True)
        return None
    return lambda: subprocess.run(["umount", folder], capture_output=True)


def recorded(path):
    """Waits for a stopped recording to be complete and returns its facts."""
    def settled():
        size = os.path.getsize(path)
        time.sleep(1.0)
        return size > 0 and os.path.getsize(path) == size
    wait_for("the recording to be completed", settled, 20)
    facts = mp3_facts(path)
    check(facts["walk_ok"] and facts["seconds"] > 1, "the recording is not whole: %s" % facts)
    return facts


def folder_locked_then_deleted(desk, build_bin, cleanups):
    mirlo, main, folder = settled_mirlo(desk, build_bin, cleanups, env=audio_env(desk, 20))
    path = shown_text(desk, main, FILE_BOX)

    unlock = lock(folder)
    if unlock:
        cleanups.append(unlock)
    else:
        print("no way to make a folder read-only for root here: that part is left out", flush=True)
    for attempt in ("first", "second") if unlock else ():
        press(desk, main, RECORD)
        # Its text is checked in the window's tests: Qt's boxes give no text
        # to copy on Linux. The screenshot shows it.
        box = mirlo.window(MESSAGE)
        if attempt == "first":
            print("shown: %s" % desk.screenshot("read-only-folder"), flush=True)
        close_message(desk, mirlo, "the message about the read-only folder", box)
        check(not os.path.exists(path), "a file was made in the read-only folder")
    if unlock:
        unlock()

    # The folder deleted since start-up is made again, as the settings dialog makes it.
    shutil.rmtree(folder)
    press(desk, main, RECORD)
    wait_for("the recording file in the folder made again", lambda: os.path.exists(path), 10)
    time.sleep(2.5)
    press(desk, main, STOP)
    mirlo.still_running("recording into a folder made again")
    recorded(path)


def suspended_microphone(desk, build_bin, cleanups):
    source = "asleep%d" % os.getpid()
    env = audio_env(desk, 20, source)
    pactl_env = dict(os.environ, PULSE_SERVER=env["PULSE_SERVER"])

    def pactl(*args):
        r = subprocess.run(["pactl"] + list(args), env=pactl_env, capture_output=True, timeout=10)
        check(r.returncode == 0, "pactl %s: %s" % (" ".join(args), r.stderr.decode(errors="replace")))
        return r.stdout.decode().strip()
    module = pactl("load-module", "module-null-source", "source_name=" + source, "rate=48000", "channels=2")
    cleanups.append(lambda: pactl("unload-module", module))
    pactl("suspend-source", source, "1")

    mirlo, main, _ = settled_mirlo(desk, build_bin, cleanups, env=env)
    path = shown_text(desk, main, FILE_BOX)
    for attempt in ("first", "second"):
        press(desk, main, RECORD)
        # While the source sleeps, a window waiting on it would never show the message.
        box = mirlo.window(MESSAGE)
        if attempt == "first":
            print("shown: %s" % desk.screenshot("no-sound"), flush=True)
        close_message(desk, mirlo, "the message that no sound arrives", box)
        check(not os.path.exists(path), "a file stays after a recording that got no sound")


def empty_folder(desk, build_bin, cleanups):
    music = os.path.join(desk.home, "Music")
    os.makedirs(music)
    mirlo, main, _ = settled_mirlo(desk, build_bin, cleanups, env=audio_env(desk, 20),
                                   extra={"Config": {"Dossier": ""}})
    path = shown_text(desk, main, FILE_BOX)
    check(path.startswith(music + "/ELEVE1_") and path.endswith(".mp3"),
          "with no folder stored the recording would be %r" % path)
    press(desk, main, RECORD)
    wait_for("the recording file", lambda: os.path.exists(path), 10)
    time.sleep(2.5)
    press(desk, main, STOP)
    mirlo.still_running("recording into the music folder")
    recorded(path)


JOURNEYS = {
    "RecordingFolderLockedThenDeleted": folder_locked_then_deleted,
    "SuspendedMicrophone": suspended_microphone,
    "EmptyRecordingFolder": empty_folder,
}

if __name__ == "__main__":
    sys.exit(run(JOURNEYS, sys.argv))
