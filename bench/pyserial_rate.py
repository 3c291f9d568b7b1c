"""Reference for the serial throughput figure: 4 MiB read natively with pyserial from the
simulator's pseudo-terminal (run through tests/serial/with-sim). Prints one line."""
import os
import time

import serial

FLOOD = 4 * 1024 * 1024
build = os.environ["VEXOR_BUILD"]
link = os.path.join(build, "serial", "com" + os.environ["VEXOR_TEST_COM"])
control = os.environ["VEXOR_SIM_DIR"][2:].replace("\\", "/") + "/control"

port = serial.Serial(link, 9600, timeout=10)
with open(control, "w") as c:
    c.write("flood %d\n" % FLOOD)
received, first = 0, None
while received < FLOOD:
    chunk = port.read(65536)
    if not chunk:
        break
    if first is None:
        first = time.perf_counter()
    received += len(chunk)
last = time.perf_counter()
print("pyserial_bytes_per_s %.0f" % (received / (last - first) if received >= FLOOD else 0))
