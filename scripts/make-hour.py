#!/usr/bin/env python3
"""Writes a one-hour MIDI file of 200,000 note events, the render's load for counting its
instructions: a conductor with a tempo change every minute and three note tracks at 480 ticks
per quarter note, each in time order as sequencers write them.

    python3 scripts/make-hour.py OUT.mid
"""
import importlib.util
import os
import struct
import sys

_spec = importlib.util.spec_from_file_location(
    "make_examples", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-examples.py"))
_examples = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_examples)

DIVISION = 480
MINUTES = 60
TRACKS = 3
NOTES_PER_TRACK = 200_000 // (2 * TRACKS)   # each note is a note-on and a note-off


def tempo_of(minute):
    return 100 + (minute * 7) % 41           # 100..140 bpm


def conductor():
    events, tick = [], 0
    for minute in range(MINUTES):
        micros = 60_000_000 // tempo_of(minute)
        events.append((tick, _examples.meta(0x51, struct.pack(">I", micros)[1:])))
        tick += tempo_of(minute) * DIVISION   # one minute at this tempo
    return _examples.track(events, tick), tick


def notes(number, end):
    step = end // NOTES_PER_TRACK
    events = []
    for n in range(NOTES_PER_TRACK):
        tick = n * step + number * 7
        key = 36 + (n * (5 + number)) % 60
        events.append((tick, bytes([0x90 | number, key, 1 + n % 127])))
        events.append((tick + step // 2, bytes([0x80 | number, key, 64])))
    return _examples.track(events, end)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    first, end = conductor()
    tracks = [first] + [notes(number, end) for number in range(TRACKS)]
    header = _examples.chunk(b"MThd", struct.pack(">HHH", 1, len(tracks), DIVISION))
    with open(sys.argv[1], "wb") as out:
        out.write(header + b"".join(tracks))


if __name__ == "__main__":
    main()
