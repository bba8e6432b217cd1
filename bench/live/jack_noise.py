"""White noise into a JACK server, as a client of its own: the signal for
bench/live/jack_live_cpu.sh. Usage: jack_noise.py SERVER_NAME CLIENT_NAME.

Talks to libjack through ctypes (no Python JACK module needed): registers one output
port, "out", fills each period with noise at -20 dB full scale from a precomputed ten
seconds, and runs until it is stopped.
"""

import ctypes
import signal
import sys
import time

import numpy as np

jack = ctypes.CDLL("libjack.so.0")
jack.jack_client_open.restype = ctypes.c_void_p
jack.jack_client_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                  ctypes.c_char_p]
jack.jack_port_register.restype = ctypes.c_void_p
jack.jack_port_register.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p,
                                    ctypes.c_ulong, ctypes.c_ulong]
jack.jack_port_get_buffer.restype = ctypes.c_void_p
jack.jack_port_get_buffer.argtypes = [ctypes.c_void_p, ctypes.c_uint32]
PROCESS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_uint32, ctypes.c_void_p)
jack.jack_set_process_callback.argtypes = [ctypes.c_void_p, PROCESS, ctypes.c_void_p]
jack.jack_activate.argtypes = [ctypes.c_void_p]
jack.jack_client_close.argtypes = [ctypes.c_void_p]
jack.jack_get_sample_rate.argtypes = [ctypes.c_void_p]

JACK_NO_START_SERVER = 0x01
JACK_SERVER_NAME = 0x04
JACK_PORT_IS_OUTPUT = 0x2


def main():
    server, name = sys.argv[1].encode(), sys.argv[2].encode()
    status = ctypes.c_int(0)
    client = jack.jack_client_open(name, JACK_NO_START_SERVER | JACK_SERVER_NAME,
                                   ctypes.byref(status), server)
    if not client:
        print(f"jack_noise: cannot connect to server {sys.argv[1]} (status {status.value})",
              file=sys.stderr)
        return 1
    port = jack.jack_port_register(client, b"out", b"32 bit float mono audio",
                                   JACK_PORT_IS_OUTPUT, 0)
    rate = jack.jack_get_sample_rate(client)
    noise = (np.random.default_rng(1).standard_normal(10 * rate) * 0.1).astype(np.float32)
    position = [0]

    @PROCESS
    def process(frames, _arg):
        buffer = jack.jack_port_get_buffer(port, frames)
        start = position[0]
        if start + frames > noise.size:
            start = 0
        ctypes.memmove(buffer, noise.ctypes.data + 4 * start, 4 * frames)
        position[0] = start + frames
        return 0

    jack.jack_set_process_callback(client, process, None)
    jack.jack_activate(client)
    running = [True]
    signal.signal(signal.SIGTERM, lambda *_: running.__setitem__(0, False))
    signal.signal(signal.SIGINT, lambda *_: running.__setitem__(0, False))
    while running[0]:
        time.sleep(0.2)
    jack.jack_client_close(client)
    return 0


if __name__ == "__main__":
    sys.exit(main())
