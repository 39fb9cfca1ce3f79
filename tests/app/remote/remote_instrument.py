# SPDX-License-Identifier: MIT
"""The instrument program as the remote-control tests run it: on the simulated card (or the
given one), with its SCPI server on a free loopback port and a readout log, ended as a user's
signal ends it. Every wait has a generous deadline; none is a fixed sleep."""

import csv
import os
import re
import signal
import subprocess
import tempfile
import threading
import time

import pyvisa

DEADLINE_S = 60
_PORT_LINE = re.compile(r"SCPI remote control on 127\.0\.0\.1:(\d+)")


def program():
    return os.environ["OSC_PROGRAM"]


class Instrument:
    def __init__(self, *arguments, audio="sim"):
        self.folder = tempfile.TemporaryDirectory(prefix="osc_remote_")
        self.log = os.path.join(self.folder.name, "readouts.csv")
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        self.process = subprocess.Popen(
            [program(), "--audio", audio, "--scpi", "0", "--log", self.log, *arguments],
            stderr=subprocess.PIPE, text=True, env=environment)
        self.errors = []
        self.port = None
        found = threading.Event()
        threading.Thread(target=self._read_errors, args=(found,), daemon=True).start()
        if not found.wait(DEADLINE_S) or self.port is None:
            self.process.kill()
            raise RuntimeError("the program did not open its SCPI port:\n" + "".join(self.errors))
        self.manager = pyvisa.ResourceManager("@py")
        self.sessions = []

    def _read_errors(self, found):
        for line in self.process.stderr:
            self.errors.append(line)
            match = _PORT_LINE.search(line)
            if match and self.port is None:
                self.port = int(match.group(1))
                found.set()
        found.set()  # the program ended without a port

    def resource_name(self):
        return f"TCPIP::127.0.0.1::{self.port}::SOCKET"

    def open(self, timeout_ms=10000):
        session = self.manager.open_resource(self.resource_name(), read_termination="\n",
                                             write_termination="\n", timeout=timeout_ms)
        self.sessions.append(session)
        return session

    def close(self):
        """Ends the program as SIGTERM does (the log is complete then); its exit code."""
        for session in self.sessions:
            try:
                session.close()
            except Exception:  # a session the test closed or broke on purpose
                pass
        self.process.send_signal(signal.SIGTERM)
        code = self.process.wait(DEADLINE_S)
        return code

    def rows(self):
        with open(self.log, newline="") as file:
            return list(csv.DictReader(file))

    def wait_for_rows(self, count):
        deadline = time.monotonic() + DEADLINE_S
        while time.monotonic() < deadline:
            if os.path.exists(self.log) and len(self.rows()) >= count:
                return True
            time.sleep(0.05)
        return False

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        if self.process.poll() is None:
            self.close()
        self.folder.cleanup()
