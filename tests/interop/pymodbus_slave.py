#!/usr/bin/python3
"""An independent Modbus slave (pymodbus) for the interoperability tests.

Serves one node in ASCII on a serial device (19200,N,8,1: pymodbus frames ASCII only with 8
data bits and no parity on a pseudo-terminal), or with --tcp on a free port of 127.0.0.1 in
Modbus TCP (--tcp socket) or in RTU frames over TCP (--tcp rtu). Holding registers 0..9 are
preset to known values; every write is reported on stdout as "W <function> <address> <value>
..." (wire addresses, decimal values), so a test can check what reached the slave. "READY"
(over TCP: "READY <port>") is printed once the port is open.
"""
import argparse
import asyncio
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer, ModbusSocketFramer

MAP_SIZE = 1024
# Preset holding registers: three plain words, a Long 12,345,678 (1234, 5678), a Float 1.5
# (pattern 0x3FC00000, low half first) and the text "Drive" (first character in the low byte).
PRESET = [100, 0xFFFF, 0x1234, 1234, 5678, 0x0000, 0x3FC0, 0x7244, 0x7669, 0x0065]


class ReportingContext(ModbusSlaveContext):
    """A slave context that reports every write on stdout."""

    def setValues(self, fc_as_hex, address, values):
        super().setValues(fc_as_hex, address, values)
        words = " ".join(str(int(v)) for v in values)
        print(f"W {fc_as_hex} {address} {words}", flush=True)


def make_context(node):
    holding = PRESET + [0] * (MAP_SIZE - len(PRESET))
    inputs = [1000 + i for i in range(MAP_SIZE)]
    slave = ReportingContext(
        di=ModbusSequentialDataBlock(0, [i % 3 == 0 for i in range(MAP_SIZE)]),
        co=ModbusSequentialDataBlock(0, [False] * MAP_SIZE),
        hr=ModbusSequentialDataBlock(0, holding),
        ir=ModbusSequentialDataBlock(0, inputs),
        zero_mode=True)
    return ModbusServerContext(slaves={node: slave}, single=False)


async def serve(port, node):
    server = ModbusSerialServer(make_context(node), ModbusAsciiFramer, port=port,
                                baudrate=19200, bytesize=8, parity="N", stopbits=1,
                                ignore_missing_slaves=True)
    await server.start()
    print("READY", flush=True)
    await server.serve_forever()


async def serve_tcp(framer, node):
    server = ModbusTcpServer(make_context(node), framer, address=("127.0.0.1", 0),
                             ignore_missing_slaves=True)
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    print(f"READY {server.server.sockets[0].getsockname()[1]}", flush=True)
    await task


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port")
    parser.add_argument("--tcp", choices=["socket", "rtu"])
    parser.add_argument("--node", type=int, default=1)
    args = parser.parse_args()
    try:
        if args.tcp:
            framer = ModbusSocketFramer if args.tcp == "socket" else ModbusRtuFramer
            asyncio.run(serve_tcp(framer, args.node))
        else:
            asyncio.run(serve(args.port, args.node))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
