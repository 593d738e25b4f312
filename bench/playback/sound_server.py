"""The engine through a real sound server, against mpv --ao=pulse.

    /usr/bin/python3 bench/playback/sound_server.py CLI [ROUNDS] [SECONDS]

One private PulseAudio server (a null sink, its monitor recorded) serves
both players in the same run (SERVER=pipewire: PipeWire with WirePlumber
and pipewire-pulse instead, which mpv's PulseAudio output reaches too):
  1. dropouts with four busy loops on the machine: ROUNDS (3) rounds of
     SECONDS (10) s of a 440 Hz tone each, ours and mpv alternating;
  2. what the server buffers for each (its own latency report of the
     stream), which adds to the engine's slider-to-sample time;
  3. CPU seconds of 30 s of playback, the player and the server's share,
     and the player's wake-ups a second (voluntary context switches of all
     its threads).
"""

import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "sound"))
import sound_server as ss  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def tree_cpu_seconds(root):
    """CPU seconds of root and every process below it: PipeWire's server is
    three processes under one dbus-run-session."""
    parents = {}
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                with open("/proc/%s/stat" % pid) as f:
                    parents[int(pid)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                pass
    total, todo = 0.0, [root]
    while todo:
        pid = todo.pop()
        try:
            total += cpu_seconds(pid)
        except OSError:
            pass
        todo += [child for child, parent in parents.items() if parent == pid]
    return total


def switches(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def players(cli, tone, seconds):
    return {
        "ours": [cli, "play", tone, "--seconds", str(seconds), "--quiet"],
        # The same engine through SDL's PulseAudio driver, as on a system
        # whose server speaks no PulseAudio protocol.
        "sdl": ["env", "YOURAN_AUDIO_OUTPUT=sdl", cli, "play", tone, "--seconds", str(seconds), "--quiet"],
        "mpv": ["mpv", "--no-config", "--no-video", "--really-quiet", "--ao=pulse", "--length=%g" % seconds, tone],
    }


def dropouts(server, cli, tone, rounds, seconds):
    found = {who: [] for who in players(cli, tone, seconds)}
    with ss.BusyLoops(4):
        for n in range(rounds):
            for who, command in players(cli, tone, seconds).items():
                recorder = server.record("one")
                time.sleep(0.5)
                subprocess.run(command, env=server.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(0.3)
                holes = ss.gaps(ss.finish(recorder))
                found[who].append(holes)
                print("  round %d %-4s: %d dropouts, %.0f ms lost" % (n + 1, who, len(holes), sum(h[1] for h in holes)),
                      flush=True)
    for who, rounds_found in found.items():
        holes = [h for r in rounds_found for h in r]
        print("  %-4s total: %d dropouts in %d x %d s, %.0f ms lost" % (who, len(holes), rounds, seconds,
                                                                         sum(h[1] for h in holes)))


def server_latency(server, cli, tone):
    for who, command in players(cli, tone, 4).items():
        p = subprocess.Popen(command, env=server.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2.5)
        text = server.pactl("list", "sink-inputs").stdout
        sinks = server.pactl("list", "sinks").stdout
        p.wait()
        buffer = [float(x) for x in re.findall(r"Buffer Latency: ([\d.]+) usec", text)]
        sink = [float(x) for x in re.findall(r"Sink Latency: ([\d.]+) usec", text)]
        # The sink's own buffer, which the server refills (and asks the
        # player for) about that much at a time.
        configured = [float(x) for x in re.findall(r"configured ([\d.]+) usec", sinks)]
        if buffer and sink:
            print("  %-4s: server holds %.1f ms (stream buffer %.1f ms + sink %.1f ms), sink's buffer %.1f ms"
                  % (who, (buffer[0] + sink[0]) / 1000, buffer[0] / 1000, sink[0] / 1000,
                     configured[0] / 1000 if configured else 0))


def cpu(server, cli, tone, seconds=30, runs=int(os.environ.get("RUNS", "1"))):
    results = {who: [] for who in players(cli, tone, seconds)}
    for _ in range(runs):
        for who, command in players(cli, tone, seconds).items():
            before = tree_cpu_seconds(server.process.pid)
            p = subprocess.Popen(command, env=server.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(3)
            s0, t0 = switches(p.pid), time.monotonic()
            time.sleep(10)
            rate = (switches(p.pid) - s0) / (time.monotonic() - t0)
            # children's CPU comes from wait4's usage
            _, status, usage = os.wait4(p.pid, 0)
            mine = usage.ru_utime + usage.ru_stime
            results[who].append((mine, tree_cpu_seconds(server.process.pid) - before, rate))
    for who, rows in results.items():
        rows.sort()
        mine, theirs, rate = rows[len(rows) // 2]
        print("  %-4s: player %.2f s, server %.2f s, together %.2f s; %.0f wake-ups/s (median of %d)"
              % (who, mine, theirs, mine + theirs, rate, len(rows)))


def main():
    cli = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    kind = os.environ.get("SERVER", "pulse")
    with tempfile.TemporaryDirectory() as work, ss.SoundServer(kind, ["one"]) as server:
        tone = os.path.join(work, "tone.flac")
        ss.tone(tone, seconds + 25)
        print("server: %s; load average before: %s" % (kind, open("/proc/loadavg").read().split()[:3]))
        print("1. dropouts, four busy loops, %d x %d s" % (rounds, seconds))
        dropouts(server, cli, tone, rounds, seconds)
        print("2. what the server buffers")
        server_latency(server, cli, tone)
        print("3. 30 s of playback, CPU seconds")
        cpu(server, cli, tone)
        print("load average after: %s" % open("/proc/loadavg").read().split()[:3])


if __name__ == "__main__":
    main()
