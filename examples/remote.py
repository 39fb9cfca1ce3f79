#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A frequency sweep over SCPI: generator 1 steps through the frequencies and, for each,
prints the fundamental's frequency, the current, the voltage and their phase, all read from
one block played at that frequency.

Start the instrument with its remote control first, e.g.
    osciloskop --audio sim --scpi 5025
then run
    python3 examples/remote.py [RESOURCE]
RESOURCE defaults to TCPIP::127.0.0.1::5025::SOCKET. Needs PyVISA with its pure-Python
backend (Debian: python3-pyvisa python3-pyvisa-py)."""

import sys

import pyvisa

FREQUENCIES_HZ = [20, 50, 100, 200, 500, 1000, 2000, 5000, 10000]


def main():
    resource = sys.argv[1] if len(sys.argv) > 1 else "TCPIP::127.0.0.1::5025::SOCKET"
    manager = pyvisa.ResourceManager("@py")
    instrument = manager.open_resource(resource, read_termination="\n",
                                       write_termination="\n", timeout=15000)
    print(instrument.query("*IDN?"))
    instrument.write("*RST;*CLS")
    print(f"{'f set/Hz':>9} {'f/Hz':>10} {'I/mA':>9} {'U/mV':>9} {'phase/deg':>10}")
    for frequency in FREQUENCIES_HZ:
        instrument.write(f"SOUR1:FREQ {frequency}")
        # MEASure waits for a block played at the new frequency; the FETCh queries behind it
        # in the same line read that same block. Each header starts at the root (':').
        answer = instrument.query(":MEAS:FREQ? VOLT;:FETC:CURR:AC?;:FETC:VOLT:AC?;:FETC:PHAS?")
        measured, current, voltage, phase = (float(x) for x in answer.split(";"))
        print(f"{frequency:>9} {measured:>10.2f} {current * 1000:>9.2f} {voltage * 1000:>9.1f} "
              f"{phase:>10.1f}")
    error = instrument.query("SYST:ERR?")
    if not error.startswith("0,"):
        print("instrument reports:", error, file=sys.stderr)
        return 1
    instrument.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
