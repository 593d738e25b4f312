"""A private sound server for tests and benchmarks, and what its sinks heard.

PulseAudio (or PipeWire with pipewire-pulse) runs with its own runtime and
home folders, so nothing reaches or depends on the user's session; clients
find it through PULSE_SERVER. Each null sink's monitor is recorded with
parec, and `gaps` finds the holes in a recorded steady tone.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time

import numpy

RATE = 44100


class Unavailable(Exception):
    """The machine cannot run this server (the reason is the message)."""


def _wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


class SoundServer:
    """kind "pulse": PulseAudio with one null sink per name.
    kind "pipewire": PipeWire + WirePlumber + pipewire-pulse inside one
    dbus-run-session, with the null sinks loaded through pactl."""

    def __init__(self, kind="pulse", sinks=("one",)):
        self.kind = kind
        self.sinks = list(sinks)
        self.root = tempfile.mkdtemp(prefix="youran-sound-")
        self.socket = os.path.join(self.root, "pulse.sock")
        self.process = None
        self.env = dict(os.environ)
        for key in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "PIPEWIRE_REMOTE"):
            self.env.pop(key, None)
        run = os.path.join(self.root, "run")
        home = os.path.join(self.root, "home")
        os.makedirs(run, mode=0o700)
        os.makedirs(home)
        self.env.update(XDG_RUNTIME_DIR=run, HOME=home, PULSE_SERVER="unix:" + self.socket,
                        XDG_CONFIG_HOME=os.path.join(home, ".config"))
        self.env.pop("YOURAN_AUDIO_DEVICE", None)
        self.log = open(os.path.join(self.root, "server.log"), "w")

    # -- lifecycle -------------------------------------------------------
    def start(self):
        if self.kind == "pulse":
            self._start_pulse()
        else:
            self._start_pipewire()
        return self

    def _start_pulse(self):
        if not shutil.which("pulseaudio"):
            raise Unavailable("pulseaudio is not installed")
        args = ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes"]
        for name in self.sinks:
            args += ["-L", "module-null-sink sink_name=%s rate=%d" % (name, RATE)]
        # Clients are let in once the sinks are there, as a desktop's server
        # does: a player reconnecting sooner would find no sink at all.
        args += ["-L", "module-native-protocol-unix socket=%s auth-anonymous=1" % self.socket]
        self.process = subprocess.Popen(args, env=self.env, stdout=self.log, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        if not _wait_for(lambda: self._answers(), 10):
            self.stop()
            raise Unavailable("pulseaudio did not start: " + self.log_text()[-400:])
        self.pactl("set-default-sink", self.sinks[0])

    def _start_pipewire(self):
        for tool in ("pipewire", "wireplumber", "pipewire-pulse", "dbus-run-session"):
            if not shutil.which(tool):
                raise Unavailable(tool + " is not installed")
        # pipewire-pulse listens where its configuration says; point it at
        # our socket so clients never reach another server.
        conf = os.path.join(self.env["XDG_CONFIG_HOME"], "pipewire", "pipewire-pulse.conf.d")
        os.makedirs(conf)
        with open(os.path.join(conf, "socket.conf"), "w") as f:
            f.write('pulse.properties = { server.address = [ "unix:%s" ] }\n' % self.socket)
        script = "pipewire & sleep 0.5; wireplumber & pipewire-pulse & wait"
        self.process = subprocess.Popen(["dbus-run-session", "--", "sh", "-c", script], env=self.env,
                                        stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        if not _wait_for(lambda: self._answers(), 15):
            self.stop()
            raise Unavailable("pipewire-pulse did not answer: " + self.log_text()[-400:])
        if "PipeWire" not in self.pactl("info").stdout:
            self.stop()
            raise Unavailable("the server answering is not PipeWire")
        for name in self.sinks:
            self.pactl("load-module", "module-null-sink", "sink_name=" + name,
                       "object.linger=1", "rate=%d" % RATE)
        if not _wait_for(lambda: all(n in self.sink_names() for n in self.sinks), 10):
            self.stop()
            raise Unavailable("pipewire did not create null sinks: " + self.log_text()[-400:])
        self.pactl("set-default-sink", self.sinks[0])

    def stop(self):
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.process = None

    def restart(self):
        """Kill the server (as a crash does) and start it again."""
        self.stop()
        if os.path.exists(self.socket):
            os.unlink(self.socket)
        self.start()

    def close(self):
        self.stop()
        self.log.close()
        shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    # -- queries ---------------------------------------------------------
    def log_text(self):
        self.log.flush()
        with open(self.log.name, errors="replace") as f:
            return f.read()

    def pactl(self, *args):
        return subprocess.run(["pactl"] + list(args), env=self.env, capture_output=True, text=True, timeout=10)

    def _answers(self):
        if self.process.poll() is not None:
            return False
        try:
            return self.pactl("info").returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def sink_names(self):
        out = self.pactl("list", "short", "sinks").stdout
        return [line.split("\t")[1] for line in out.splitlines() if "\t" in line]

    def record(self, sink):
        """Starts recording the sink's monitor; stop with finish(recorder)."""
        path = os.path.join(self.root, "%s-%d.raw" % (sink, time.monotonic_ns()))
        out = open(path, "wb")
        process = subprocess.Popen(["parec", "-d", sink + ".monitor", "--format=s16le", "--rate=%d" % RATE,
                                    "--channels=2", "--latency-msec=20", "--raw"],
                                   env=self.env, stdout=out, stderr=subprocess.DEVNULL)
        return (process, out, path)


def finish(recorder):
    """Ends a recording and returns its left channel as floats (-1..1)."""
    process, out, path = recorder
    process.send_signal(signal.SIGINT)
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    out.close()
    data = numpy.fromfile(path, dtype="<i2")
    os.unlink(path)
    return data[0::2].astype(numpy.float64) / 32768.0


def tone(path, seconds, frequency=440):
    """A steady sine at half scale, written by ffmpeg."""
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "aevalsrc=0.5*sin(2*PI*%d*t):s=%d:d=%g" % (frequency, RATE, seconds),
                    "-ac", "2", path], check=True)


def heard(samples, threshold=0.05):
    """(first, last) sample index where sound is heard, or None."""
    loud = numpy.flatnonzero(numpy.abs(samples) > threshold)
    if loud.size == 0:
        return None
    return int(loud[0]), int(loud[-1])


def gaps(samples, start=None, end=None, window_ms=3.0, threshold=0.1):
    """The holes in a steady tone between start and end: a list of
    (where in seconds, length in ms) for every stretch longer than
    `window_ms` in which the signal stays below `threshold`. A 440 Hz sine
    crosses zero every 1.1 ms, so a clean tone never stays low that long."""
    span = heard(samples)
    if span is None:
        return []
    start = span[0] if start is None else start
    end = span[1] if end is None else end
    quiet = numpy.abs(samples[start:end]) < threshold
    shortest = int(RATE * window_ms / 1000)
    found = []
    for a, b in _runs(quiet):
        if b - a >= shortest:
            found.append(((start + a) / RATE, (b - a) * 1000.0 / RATE))
    return found


def _runs(flags):
    """(start, end) of every run of True in a boolean array."""
    padded = numpy.concatenate(([False], flags, [False]))
    edges = numpy.flatnonzero(numpy.diff(padded.astype(numpy.int8)))
    return [(int(a), int(b)) for a, b in zip(edges[0::2], edges[1::2])]


class BusyLoops:
    """n processes spinning on the CPU, as a build beside the music does."""

    def __init__(self, n=4):
        self.n = n
        self.processes = []

    def __enter__(self):
        self.processes = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(self.n)]
        return self

    def __exit__(self, *exc):
        for p in self.processes:
            p.kill()
            p.wait()
