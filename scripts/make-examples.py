#!/usr/bin/env python3
"""Makes the example files in examples/: a short MIDI riff and a program preset for Moravox.

The MIDI file is written byte by byte here (format 1, a conductor track with a tempo change and
a riff track in running status), independently of moravox-host's own MIDI writer. The preset is
saved by the built moravox-host from the built plug-in, so it always holds the plug-in's own
program chunk. Run it after building:

    python3 scripts/make-examples.py [--host build/x86_64/moravox-host]
                                     [--plugin build/x86_64/moravox.so] [--out examples]
"""
import argparse
import os
import struct
import subprocess
import sys

DIVISION = 96  # ticks per quarter note
EIGHTH = DIVISION // 2
BAR = 4 * DIVISION


def vlq(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


def chunk(kind, body):
    return kind + struct.pack(">I", len(body)) + body


def track(events, end_tick):
    """events: (tick, bytes) in time order; bytes as they stand in the file (running status
    already applied by the caller)."""
    body = bytearray()
    now = 0
    for tick, data in events:
        body += vlq(tick - now) + data
        now = tick
    body += vlq(end_tick - now) + b"\xff\x2f\x00"
    return chunk(b"MTrk", bytes(body))


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def conductor():
    tempo_120 = struct.pack(">I", 500000)[1:]
    tempo_140 = struct.pack(">I", 428571)[1:]
    return track([
        (0, meta(0x03, b"Moravox example")),
        (0, meta(0x58, bytes([4, 2, 24, 8]))),  # 4/4
        (0, meta(0x51, tempo_120)),
        (2 * BAR, meta(0x51, tempo_140)),
    ], 4 * BAR)


def riff():
    """Four bars of eighth notes on channel 0, in running status: note-offs are note-ons with
    velocity 0, so only the controller sweeps at each bar need a status byte again."""
    pattern = [48, 55, 60, 63, 67, 63, 60, 55]
    events = [(0, meta(0x03, b"Riff"))]
    status = None

    def message(tick, first, *data):
        nonlocal status
        head = b"" if first == status else bytes([first])
        status = first
        events.append((tick, head + bytes(data)))

    for bar in range(4):
        start = bar * BAR
        message(start, 0xB0, 1, 32 * bar)  # modulation, rising bar by bar
        for step, note in enumerate(pattern):
            tick = start + step * EIGHTH
            message(tick, 0x90, note + (5 if bar == 2 else 0), 100 - 8 * (step % 2))
            message(tick + EIGHTH - 6, 0x90, note + (5 if bar == 2 else 0), 0)
    events.sort(key=lambda event: event[0])
    return track(events, 4 * BAR)


def midi_file():
    header = chunk(b"MThd", struct.pack(">HHH", 1, 2, DIVISION))
    return header + conductor() + riff()


# The example preset: note-ons trigger (Format-IN "N"), each becomes two control changes with
# the controller drawn from 20..31 and the value from 32..96, offset by up to a quarter of a
# block; the trigger notes themselves pass through (Midi In-Through); Mersenne Twister.
PRESET_SETTINGS = [
    (1, 1 / 22),   # Format-IN: N
    (6, 1.0),      # Number (enable)
    (7, 20 / 127),  # Number (min)
    (8, 31 / 127),  # Number (max)
    (9, 1.0),      # Value (enable)
    (10, 32 / 127),  # Value (min)
    (11, 96 / 127),  # Value (max)
    (13, 1.0),     # Midi In-Through
    (18, 0.25),    # random offset 25 %
    (19, 0.2),     # event count 2
    (20, 0.5),     # generator: Mersenne Twister
]


def save_preset(host, plugin, path):
    command = [host, "preset", "save", plugin, path, "--name", "Example - scatter"]
    for index, value in PRESET_SETTINGS:
        command += ["--set", "%d=%.9g" % (index, value)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="build/x86_64/moravox-host")
    parser.add_argument("--plugin", default="build/x86_64/moravox.so")
    parser.add_argument("--out", default="examples")
    args = parser.parse_args()
    for path in (args.host, args.plugin):
        if not os.path.exists(path):
            sys.exit("make-examples: %s is missing; build first (bash scripts/build.sh x86_64)"
                     % path)
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "riff.mid"), "wb") as out:
        out.write(midi_file())
    save_preset(args.host, args.plugin, os.path.join(args.out, "scatter.fxp"))


if __name__ == "__main__":
    main()
