#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Speed of the remote control, measured with PyVISA against the program on the simulated
card: the round trip of *IDN? and FETCh:VOLTage:AC? (median of 1000), MEASure:VOLTage:AC?
(median of 20), and whether a client polling FETCh as fast as it can costs the display cycle
blocks: the readout log's rows per second and largest gap between rows, without and with it.

    python3 bench/remote_bench.py build/src/app/osciloskop
Run on demand; not part of ctest."""

import os
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "app", "remote"))
from remote_instrument import Instrument  # noqa: E402

WINDOW_S = 10


def round_trip_ms(session, query, count):
    times = []
    for _ in range(count):
        started = time.perf_counter()
        session.query(query)
        times.append((time.perf_counter() - started) * 1000)
    return statistics.median(times), max(times)


def log_rate(instrument, seconds):
    """Rows per second and the largest gap between rows (s) over the next `seconds`."""
    start = len(instrument.rows())
    time.sleep(seconds)
    rows = instrument.rows()[start:]
    stamps = [float(row["time_s"]) for row in rows]
    gaps = [b - a for a, b in zip(stamps, stamps[1:])]
    return (len(stamps) - 1) / (stamps[-1] - stamps[0]), max(gaps)


def main():
    os.environ.setdefault("OSC_PROGRAM", sys.argv[1] if len(sys.argv) > 1 else
                          "build/src/app/osciloskop")
    with Instrument() as instrument:
        instrument.wait_for_rows(5)
        quiet_rate, quiet_gap = log_rate(instrument, WINDOW_S)
        session = instrument.open()
        session.query("FETC:VOLT:AC?")
        for query, count in (("*IDN?", 1000), ("FETC:VOLT:AC?", 1000), ("MEAS:VOLT:AC?", 20)):
            median, worst = round_trip_ms(session, query, count)
            print(f"{query:<15} median {median:7.3f} ms  worst {worst:7.3f} ms  ({count} queries)")

        polls = [0]
        stop = threading.Event()

        def poll():
            poller = instrument.open()
            while not stop.is_set():
                poller.query("FETC:VOLT:AC?")
                polls[0] += 1

        thread = threading.Thread(target=poll)
        thread.start()
        busy_rate, busy_gap = log_rate(instrument, WINDOW_S)
        stop.set()
        thread.join()
        print(f"log without a client: {quiet_rate:.3f} rows/s, largest gap {quiet_gap * 1000:.0f} ms")
        print(f"log while one client polls FETC ({polls[0] / WINDOW_S:.0f} queries/s): "
              f"{busy_rate:.3f} rows/s, largest gap {busy_gap * 1000:.0f} ms")


if __name__ == "__main__":
    main()
