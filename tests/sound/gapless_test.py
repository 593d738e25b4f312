"""Two files cut from one sine, played one after the other: with gapless
playback they must sound as the one sine they were cut from.

    gapless_test.py CASE CLI [PLAYER]

Cases: wav (into a WAV file: sample-exact), server (CLI and PLAYER through a
private PulseAudio server, recorded from its null sink's monitor). Exit 77
means the machine cannot run the case.
"""

import os
import subprocess
import sys
import tempfile
import time

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sound_server as ss  # noqa: E402
from sound_test import check, outcome, record_while, stop  # noqa: E402

FREQUENCY = 440
AMPLITUDE = 0.5
SECONDS = 4
# Where the sine is cut: on no codec's frame boundary (FLAC 4096, MP3 1152).
CUT = 97003
# Digital silence: what a null sink records while nothing plays.
SILENT = 1e-4


def make_pair(folder, extension, codec):
    """The sine cut at CUT into two files; a float WAV of the whole keeps the
    cut exact before the codec sees it."""
    whole = os.path.join(folder, "whole.wav")
    if not os.path.exists(whole):
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "aevalsrc=%g*sin(2*PI*%d*t):s=%d:d=%g" % (AMPLITUDE, FREQUENCY, ss.RATE, SECONDS),
                        "-c:a", "pcm_f32le", whole], check=True)
    parts = []
    for name, trim in (("a", "atrim=end_sample=%d" % CUT), ("b", "atrim=start_sample=%d" % CUT)):
        path = os.path.join(folder, "%s.%s" % (name, extension))
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", whole, "-af", trim + ",asetpts=N/SR/TB"] + codec + [path],
                       check=True)
        parts.append(path)
    return parts


FORMATS = {"flac": ["-c:a", "flac"],
           # libmp3lame writes the Xing/LAME header with the encoder delay
           # and the padding.
           "mp3": ["-c:a", "libmp3lame", "-b:a", "192k"]}


def shift_from_sine(samples, start, end):
    """How many samples samples[start:end] lie off the uncut sine (whole
    samples, within 3 either way)."""
    n = numpy.arange(start, end)

    def off(shift):
        return numpy.abs(samples[start:end] - AMPLITUDE * numpy.sin(2 * numpy.pi * FREQUENCY * (n - shift) / ss.RATE)).max()
    return min(range(-3, 4), key=off)


def reference(path):
    """The file's first channel as ffmpeg's own command decodes it."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-af", "pan=mono|c0=c0", "-f", "f32le", "-"],
                         capture_output=True, check=True).stdout
    return numpy.frombuffer(out, dtype="<f4").astype(numpy.float64)


def aligned(samples, expected):
    """The part of a recording that should equal `expected`, at the level of
    `expected`: where 200 ms after the first track's fade-in match best, near
    the first sound heard, and scaled by the volume they were heard at."""
    loud = numpy.flatnonzero(numpy.abs(samples) > SILENT)
    check(loud.size > 0, "nothing was heard")
    part = slice(int(0.6 * ss.RATE), int(0.8 * ss.RATE))
    want = expected[part]

    def fitted(k):
        heard = samples[k + part.start:k + part.stop]
        gain = numpy.dot(heard, want) / numpy.dot(want, want)
        return numpy.abs(heard - gain * want).max(), gain
    start = min(range(max(0, int(loud[0]) - 100), int(loud[0]) + 100), key=lambda k: fitted(k)[0])
    got = samples[start:start + len(expected)] / fitted(start)[1]
    check(len(got) == len(expected), "the recording ends %d samples early" % (len(expected) - len(got)))
    return got


def below_5khz(x, taps=255):
    """x through a windowed-sinc low-pass. A server that resamples the
    stream takes a little off the highest frequencies, and a lossy file's
    edge has some there (the reference decoder gives it too); a hole, a
    step or a second file out of place lives far below."""
    n = numpy.arange(taps) - (taps - 1) / 2
    h = numpy.sinc(2 * 5000.0 / ss.RATE * n) * numpy.hamming(taps)
    return numpy.convolve(x, h / h.sum(), mode="same")


def join_figures(got, expected):
    """How the sound departs from the two files' samples back to back (as
    the reference decoder gives them; both below 5 kHz): the silence at the
    join (in samples), the largest departure within 10 ms of it, over the
    490 ms after that (a second file that came early or late is off all
    along), and over the steady 450 ms before it."""
    residual = numpy.abs(below_5khz(got) - below_5khz(expected))
    quiet = numpy.abs(got[CUT - ss.RATE // 20:CUT + ss.RATE]) < SILENT
    silence = max((b - a for a, b in ss._runs(quiet)), default=0)
    # A sine is that quiet for one sample at most, at a zero crossing.
    return {"silence": silence if silence > 1 else 0,
            "join": round(float(residual[CUT - ss.RATE // 100:CUT + ss.RATE // 100].max()), 5),
            "after": round(float(residual[CUT + ss.RATE // 100:CUT + ss.RATE // 2].max()), 5),
            "before": round(float(residual[CUT - ss.RATE // 2:CUT - ss.RATE // 20].max()), 5)}


def seamless(figures, what, tolerance):
    check(figures["silence"] == 0, "%s: %d samples of silence at the join" % (what, figures["silence"]))
    check(figures["before"] <= tolerance, "%s: %.4f off the files' samples already before the join"
          % (what, figures["before"]))
    # A hole or a step reaches the sine's amplitude; a second file one
    # sample early or late is 0.03 off all along. Around the join the sound
    # stays as close to the files as it was before.
    for where in ("join", "after"):
        check(figures[where] <= 2 * figures["before"] + 0.002,
              "%s: %.4f off the files' samples %s the join, %.4f before" % (what, figures[where], where,
                                                                             figures["before"]))


def play(cli, files, *extra, env=None):
    result = subprocess.run([cli, "play"] + files + ["--quiet"] + list(extra), env=env, capture_output=True,
                            text=True, timeout=60)
    check(result.returncode == 0, "play failed: " + result.stderr)


def case_wav(cli, work):
    for extension, codec in FORMATS.items():
        files = make_pair(work, extension, codec)
        expected = numpy.concatenate([reference(f) for f in files])
        # Delay and padding taken off: exactly the samples of the sine.
        check(len(expected) == SECONDS * ss.RATE, "%s: ffmpeg decodes %d samples" % (extension, len(expected)))
        for gapless in (True, False):
            out = os.path.join(work, "out.wav")
            play(cli, files, "--output", "wav:" + out, *(["--gapless"] if gapless else []))
            got = reference(out)
            what = "%s into a WAV file, gapless %s" % (extension, "on" if gapless else "off")
            check(len(got) == len(expected), "%s: %d samples, the sine has %d" % (what, len(got), len(expected)))
            figures = join_figures(got, expected)
            print("%s: %s" % (what, figures))
            if gapless:
                # Sample for sample what the two files decode to.
                off = numpy.abs(got - expected).max()
                check(off < 1e-6, "%s: %.7f off the files' samples" % (what, off))
                seamless(figures, what, 1e-6)
                # Each file where it was cut from the sine, the encoder's
                # delay and padding taken off.
                for part, (start, end) in (("first", (4410, CUT - 4410)), ("second", (CUT + 4410, len(got) - 4410))):
                    shift = shift_from_sine(got, start, end)
                    check(shift == 0, "%s: the %s file is %d samples off the sine" % (what, part, shift))
            else:
                # The usual way: the second file fades in from silence.
                check(numpy.abs(got[CUT:CUT + 441]).max() < 0.1 * AMPLITUDE, "%s: no fade-in at the join" % what)


def case_server(cli, player, work):
    with ss.SoundServer("pulse", ["one"]) as server:
        runs = [("youranmusic-cli play", "flac", True), ("youranmusic-cli play", "mp3", True),
                ("youranmusic-cli play", "flac", False), ("the player", "mp3", True), ("the player", "mp3", False)]
        for who, extension, gapless in runs:
            files = make_pair(work, extension, FORMATS[extension])
            expected = numpy.concatenate([reference(f) for f in files])
            if who == "the player":
                heard = player_heard(server, player, work, files, gapless)
            else:
                heard = record_while(server, ["one"], lambda: play(
                    cli, files, *(["--gapless"] if gapless else []), env=server.env))["one"]
            what = "%s, %s through PulseAudio, gapless %s" % (who, extension, "on" if gapless else "off")
            got = aligned(heard, expected)
            figures = join_figures(got, expected)
            print("%s: %s" % (what, figures))
            if gapless:
                # 16-bit samples and the server's volume on the way.
                seamless(figures, what, 0.01)
                # Past the player's fade-in at its first track.
                first = int(numpy.flatnonzero(numpy.abs(heard) > SILENT)[0])
                holes = ss.gaps(heard, start=first + int(0.6 * ss.RATE))
                check(not holes, "%s: holes %s" % (what, holes[:3]))
            else:
                # Today's track change: the engine set up again, then the fade.
                check(figures["join"] > 0.25, "%s: the join sounds seamless, the setting changes nothing" % what)


def player_heard(server, player, work, files, gapless):
    """The player itself with 无缝播放 on or off, the two files its list."""
    data = tempfile.mkdtemp(dir=work)
    with open(os.path.join(data, "Setting.ini"), "w", encoding="gb18030", newline="") as f:
        f.write("[Playback]\r\nGapless=%s\r\n" % ("T" if gapless else "F"))
    env = dict(server.env, QT_QPA_PLATFORM="offscreen", YOURAN_LOCK_FILE=os.path.join(data, "lock"))
    proc = {}

    def run():
        proc["p"] = subprocess.Popen([player, "--data-dir", data] + files, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        time.sleep(SECONDS + 2.5)
    try:
        return record_while(server, ["one"], run)["one"]
    finally:
        stop(proc.get("p"))


def main():
    case, cli = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        if case == "wav":
            return outcome(lambda: case_wav(cli, work))
        return outcome(lambda: case_server(cli, sys.argv[3], work))


if __name__ == "__main__":
    sys.exit(main())
