#!/usr/bin/env python3
"""Writes tests/host/golden/mix.mid: the input of the golden renders that exercise every path
of the randomizer. Everything a host may send is in it, on every channel: note-ons, note-offs
both ways (0x80 and a note-on without velocity), controllers, program changes inside and outside
the 32 programs, pitch bends, pressures; bursts that fill a block's output; events on block
edges. Written byte by byte, independently of moravox-host's own MIDI writer.

    python3 scripts/make-golden-input.py [OUT.mid]
"""
import importlib.util
import os
import struct
import sys

# The MIDI byte helpers of the examples' maker, which writes files the same way.
_spec = importlib.util.spec_from_file_location(
    "make_examples", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-examples.py"))
_examples = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_examples)

DIVISION = 96


def track(events, end_tick):
    """events: (tick, data bytes) in any order; the same tick keeps its order."""
    ordered = [(tick, bytes(data)) for tick, data in sorted(events, key=lambda e: e[0])]
    return _examples.track(ordered, end_tick)


def conductor(end):
    return track([(0, [0xFF, 0x58, 4, 4, 2, 24, 8]),
                  (0, [0xFF, 0x51, 3, 0x07, 0xA1, 0x20]),            # 120 bpm
                  (8 * DIVISION, [0xFF, 0x51, 3, 0x06, 0x1A, 0x80])],  # 150 bpm
                 end)


def music():
    events = []
    sixteenth = DIVISION // 4
    # Four bars of sixteenths over the channels, ended both ways, with controllers between.
    for step in range(64):
        tick = step * sixteenth
        channel = step % 16
        note = 36 + (step * 7) % 60
        events.append((tick, [0x90 | channel, note, 1 + (step * 13) % 127]))
        if step % 2:
            events.append((tick + sixteenth - 1, [0x80 | channel, note, 64]))
        else:
            events.append((tick + sixteenth - 1, [0x90 | channel, note, 0]))
        events.append((tick + 5, [0xB0 | (15 - channel), (step * 5) % 120, (step * 9) % 128]))
    # Program changes: the first four programs, one past the 32, on several channels.
    for n, program in enumerate([1, 2, 0, 3, 40, 2, 1, 0]):
        events.append((n * 2 * DIVISION + 3, [0xC0 | (n * 3 % 16), program]))
    # Other messages, which pass or not as the switches say.
    for n in range(16):
        tick = n * DIVISION // 2 + 7
        events.append((tick, [0xE0 | n, n * 8, 64 - n]))
        events.append((tick + 1, [0xD0 | n, 100 - n]))
        events.append((tick + 2, [0xA0 | n, 60 + n, 30 + n]))
    # Held notes that meet a second note-on of the same key before they end.
    for n in range(8):
        tick = 4 * 4 * DIVISION + n * DIVISION
        events.append((tick, [0x90 | n, 60, 100]))
        events.append((tick + 10, [0x90 | n, 60, 90]))
        events.append((tick + 40, [0x80 | n, 60, 0]))
        events.append((tick + 41, [0x80 | n, 60, 0]))
    # A burst of 200 triggers on one tick: more than a block's output can carry.
    burst = 6 * 4 * DIVISION
    for n in range(200):
        kind = 0x90 if n % 2 == 0 else 0xB0
        events.append((burst, [kind | (n % 16), n % 128, 1 + n % 126]))
    for n in range(100):
        events.append((burst + DIVISION, [0x80 | ((2 * n) % 16), (2 * n) % 128, 0]))
    return events


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "tests/host/golden/mix.mid"
    end = 8 * 4 * DIVISION
    header = b"MThd" + struct.pack(">IHHH", 6, 1, 2, DIVISION)
    with open(out, "wb") as f:
        f.write(header + conductor(end) + track(music(), end))


main()
