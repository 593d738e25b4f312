"""Pieces for writing Standard MIDI Files, shared by the scripts that make
the demo tune, the fuzzer seeds and the benchmark song."""


def vlq(n):
    """A variable-length quantity: seven bits a byte, high bit on all but the last."""
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def delta_encode(events, running=False):
    """(tick, bytes) events in the order given, each after its delta time;
    with `running`, a channel event repeating the last status byte drops it."""
    data, now, last = b"", 0, None
    for tick, event in events:
        data += vlq(tick - now)
        now = tick
        if running and event[0] < 0xF0 and event[0] == last:
            data += event[1:]
        else:
            data += event
        last = event[0]
    return data
