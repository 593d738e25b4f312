"""The join between two files cut from one sine, heard through a private
PulseAudio server: the player with and without gapless playback, its CLI,
and mpv --gapless-audio=yes on the same files in the same run.

    /usr/bin/python3 bench/playback/gapless_join.py CLI PLAYER

Prints, per run, the silence at the join (samples) and how far the sound
departs from the decoded files back to back (see tests/sound/gapless_test.py).
"""

import os
import shutil
import subprocess
import sys
import tempfile

import numpy

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "sound"))
import sound_server as ss  # noqa: E402
from gapless_test import FORMATS, aligned, join_figures, make_pair, player_heard, reference  # noqa: E402
from sound_test import record_while  # noqa: E402


def measure(cli, player, work):
    """Every run of the table in bench/playback/README.md, printed."""
    if not shutil.which("mpv"):
        print("mpv is not installed")
        return 1
    with ss.SoundServer("pulse", ["one"]) as server:
        for extension, codec in FORMATS.items():
            files = make_pair(work, extension, codec)
            expected = numpy.concatenate([reference(f) for f in files])
            runs = (("youranmusic-cli play --gapless", [cli, "play"] + files + ["--gapless", "--quiet"]),
                    ("youranmusic-cli play", [cli, "play"] + files + ["--quiet"]),
                    ("mpv --gapless-audio=yes", ["mpv", "--no-config", "--really-quiet", "--no-video", "--ao=pulse",
                                                 "--gapless-audio=yes"] + files))
            for name, command in runs:
                heard = record_while(server, ["one"], lambda: subprocess.run(
                    command, env=server.env, capture_output=True, timeout=60))["one"]
                print("%s, %s: %s" % (extension, name, join_figures(aligned(heard, expected), expected)))
            for gapless in (True, False):
                heard = player_heard(server, player, work, files, gapless)
                print("%s, the player with Gapless=%s: %s" % (extension, "T" if gapless else "F",
                                                             join_figures(aligned(heard, expected), expected)))


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as folder:
        sys.exit(measure(sys.argv[1], sys.argv[2], folder) or 0)
