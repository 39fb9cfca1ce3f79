# SPDX-License-Identifier: MIT
"""The instrument driven by PyVISA, the client labs use, over its pure-Python backend: the
program runs on the simulated card with a readout log, and what the client reads is checked
against the log, against the generator's known settings, and against SCPI's rules."""

import math
import os
import socket
import struct
import subprocess
import threading
import time
import unittest

import pyvisa

from remote_instrument import DEADLINE_S, Instrument, program


def number(text):
    return float(text)


def close_to_a_row(value, rows, column, relative=1e-9):
    return any(math.isclose(value, float(row[column]), rel_tol=relative) for row in rows)


class Identification(unittest.TestCase):
    def test_names_the_maker_model_serial_and_the_programs_version(self):
        version = subprocess.run([program(), "--version"], capture_output=True, text=True,
                                 check=True).stdout.split()[1]
        with Instrument() as instrument:
            session = instrument.open()
            self.assertEqual(session.query("*IDN?"), f"FyzLab,osciloskop,0,{version}")
            self.assertEqual(session.query("*OPC?"), "1")


class Readings(unittest.TestCase):
    def test_readings_are_the_logged_readouts_in_volts_and_amperes(self):
        with Instrument() as instrument:
            session = instrument.open()
            answers = []
            for _ in range(3):
                answers.append(session.query("MEAS:VOLT:AC?;:FETC:CURR:AC?").split(";"))
            frequency = number(session.query("MEAS:FREQ? VOLT"))
            self.assertEqual(instrument.close(), 128 + 15)
            rows = instrument.rows()
        for volts, amperes in answers:
            self.assertTrue(close_to_a_row(number(volts) * 1000, rows, "voltage_mV"), volts)
            self.assertTrue(close_to_a_row(number(amperes) * 1000, rows, "current_mA"), amperes)
        # Generator 1 starts at 100 Hz.
        self.assertAlmostEqual(frequency, 100, delta=0.5)

    def test_the_waveform_block_is_the_logged_block(self):
        with Instrument() as instrument:
            session = instrument.open()
            for _ in range(10):  # the preamble before and after the block name the same block
                before = session.query("WAV:PRE? VOLT")
                samples = session.query_binary_values("WAV:DATA? VOLT", datatype="h",
                                                      is_big_endian=False, container=list)
                if session.query("WAV:PRE? VOLT") == before:
                    break
            else:
                self.fail("every block changed while it was read")
            instrument.close()
            rows = instrument.rows()
        points, interval, volts_per_unit = before.split(",")
        self.assertEqual(int(points), 8000)
        self.assertEqual(len(samples), 8000)
        self.assertAlmostEqual(number(interval) * 44100, 1, places=12)
        rms = math.sqrt(sum((s * number(volts_per_unit)) ** 2 for s in samples) / len(samples))
        self.assertTrue(close_to_a_row(rms * 1000, rows, "voltage_mV"), rms)
        # 100 Hz: 18 whole periods and a bit in 8000 frames, so about as many rises through zero.
        rises = sum(1 for a, b in zip(samples, samples[1:]) if a < 0 <= b)
        self.assertIn(rises, range(17, 20))


class Generators(unittest.TestCase):
    def test_settings_read_back_and_are_measured(self):
        with Instrument() as instrument:
            session = instrument.open()
            session.write("SOUR1:FREQ 440 HZ;VOLT 0.5")
            self.assertEqual(session.query("SOUR1:FREQ?;VOLT?"), "4.4E+02;5.0E-01")
            # A MEASure after a setting reads a block played with it, never an older one.
            self.assertAlmostEqual(number(session.query("MEAS:FREQ? VOLT")), 440, delta=0.5)
            self.assertAlmostEqual(number(session.query("MEAS:FREQ? CURR")), 440, delta=0.5)
            quieter = number(session.query("MEAS:VOLT?"))
            session.write("SOUR1:VOLT 1")
            louder = number(session.query("MEAS:VOLT?"))
            self.assertAlmostEqual(louder / quieter, 2, delta=0.05)
            session.write("OUTP1 OFF")
            self.assertEqual(session.query("OUTP1?"), "0")
            self.assertEqual(session.query("SYST:ERR?"), '0,"No error"')


class ErrorQueue(unittest.TestCase):
    def test_errors_come_out_in_order_with_the_standard_texts(self):
        with Instrument() as instrument:
            session = instrument.open()
            session.write("FOO")
            session.write("SOUR1:FREQ 5")
            session.write("SOUR1:FREQ 1 V")
            self.assertEqual(session.query("SYST:ERR?"), '-113,"Undefined header;FOO"')
            self.assertTrue(session.query("SYST:ERR?").startswith('-222,"Data out of range'))
            self.assertTrue(session.query("SYST:ERR:NEXT?").startswith('-131,"Invalid suffix'))
            self.assertEqual(session.query("SYST:ERR?"), '0,"No error"')

    def test_a_full_queue_ends_in_an_overflow_and_clear_empties_it(self):
        with Instrument() as instrument:
            session = instrument.open()
            session.write(";:".join(["SOUR1:FREQ 5"] * 30))  # execution errors go on
            codes = [session.query("SYST:ERR?").split(",")[0] for _ in range(21)]
            self.assertEqual(codes, ["-222"] * 19 + ["-350", "0"])
            session.write("FOO")
            session.write("*CLS")
            self.assertEqual(session.query("SYST:ERR?"), '0,"No error"')


class Clients(unittest.TestCase):
    def test_eight_clients_at_once_each_with_its_own_queue(self):
        with Instrument() as instrument:
            sessions = [instrument.open() for _ in range(8)]
            failures = []

            def work(index, session):
                try:
                    session.write(f"BAD:HEAD{'ABCDEFGH'[index]}")
                    for _ in range(20):
                        if not session.query("*IDN?").startswith("FyzLab,osciloskop"):
                            failures.append(index)
                    error = session.query("SYST:ERR?")
                    if error != f'-113,"Undefined header;BAD:HEAD{"ABCDEFGH"[index]}"':
                        failures.append((index, error))
                except Exception as e:  # reported below, with the client it happened to
                    failures.append((index, repr(e)))

            threads = [threading.Thread(target=work, args=(i, s)) for i, s in enumerate(sessions)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join(DEADLINE_S)
            self.assertEqual(failures, [])

    def test_a_70000_byte_line_is_refused_and_the_client_goes_on(self):
        with Instrument() as instrument:
            session = instrument.open()
            session.write("*IDN?" + ";" * 70000)
            self.assertTrue(session.query("SYST:ERR?").startswith('-223,"Too much data'))
            self.assertTrue(session.query("*IDN?").startswith("FyzLab,osciloskop"))

    def test_invalid_utf8_is_an_error_not_a_crash(self):
        with Instrument() as instrument:
            session = instrument.open()
            session.write_raw(b"\xff\xfe\xc3(\x80*IDN?\n")
            error = session.query("SYST:ERR?")
            self.assertTrue(error.startswith("-1"), error)
            self.assertTrue(session.query("*IDN?").startswith("FyzLab,osciloskop"))

    def test_a_client_that_stops_reading_does_not_hold_up_another(self):
        with Instrument() as instrument:
            session = instrument.open()
            self.assertTrue(session.query("FETC:VOLT?"))  # a block is there to send
            memory = resident_kib(instrument.process.pid)
            stuck = socket.create_connection(("127.0.0.1", instrument.port), timeout=DEADLINE_S)
            stuck.setblocking(False)
            request = b"WAV:DATA? VOLT\n" * 1000000  # 16 GB of answers it never reads
            sent = 0
            deadline = time.monotonic() + DEADLINE_S
            while sent < len(request) and time.monotonic() < deadline:
                try:
                    sent += stuck.send(request[sent:])
                except BlockingIOError:
                    break  # the server no longer reads it: its input waits in the socket
                self.assertTrue(session.query("*IDN?").startswith("FyzLab"))
            self.assertLess(sent, len(request), "the server read on while nobody took answers")
            for _ in range(50):
                started = time.monotonic()
                self.assertTrue(session.query("*IDN?").startswith("FyzLab"))
                self.assertLess(time.monotonic() - started, 2)
            self.assertLess(resident_kib(instrument.process.pid) - memory, 64 * 1024)
            stuck.close()
            self.assertTrue(session.query("FETC:VOLT?"))
            self.assertIsNone(instrument.process.poll())


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


class Refusals(unittest.TestCase):
    def run_program(self, *arguments):
        return subprocess.run([program(), "--audio", "sim", *arguments], capture_output=True,
                              text=True, timeout=DEADLINE_S,
                              env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))

    def test_a_port_in_use_ends_the_run_before_the_window(self):
        with Instrument() as instrument:
            second = self.run_program("--scpi", str(instrument.port), "--quit-after", "20000")
            self.assertEqual(second.returncode, 2)
            self.assertIn(f"cannot open the SCPI port {instrument.port}", second.stderr)
            self.assertTrue(instrument.open().query("*IDN?").startswith("FyzLab"))

    def test_a_bad_address_or_port_is_refused(self):
        for arguments, message in [
                (["--scpi", "5025", "--scpi-listen", "999.1.1.1"], "not a numeric IP address"),
                (["--scpi", "65536"], "not a TCP port number"),
                (["--scpi-listen", "127.0.0.1"], "--scpi-listen needs --scpi")]:
            run = self.run_program(*arguments, "--quit-after", "20000")
            self.assertEqual(run.returncode, 2, arguments)
            self.assertIn(message, run.stderr)


@unittest.skipUnless(os.environ.get("OSC_SOUND_SERVER"),
                     "no sound server: scripts/test.sh starts PulseAudio and PipeWire for this")
class RealServer(unittest.TestCase):
    def test_a_set_frequency_is_heard_in_the_loopback(self):
        with Instrument(audio="auto") as instrument:
            session = instrument.open(timeout_ms=15000)
            session.write("SOUR1:FREQ 440")
            # The server's loopback carries the output to one input channel or both.
            heard = [number(session.query(f"MEAS:FREQ? {channel}")) for channel in ("VOLT", "CURR")]
            self.assertTrue(any(abs(f - 440) < 1 for f in heard), heard)


if __name__ == "__main__":
    unittest.main()
