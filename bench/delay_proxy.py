#!/usr/bin/env python3
"""A TCP proxy on loopback that delays everything it forwards, in each
direction, by a fixed time: a far node's latency for a local server.

    delay_proxy.py <unix socket of the server> <delay ms> <port file>

Listens on 127.0.0.1 on a free port, writes the port to <port file> and
forwards every connection to the server's Unix socket until killed. Bytes
keep their order; each chunk leaves <delay ms> after it arrived.
"""
import asyncio
import sys


async def pipe(reader, writer, delay):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            if data is None:
                break
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.create_task(send())
    try:
        while data := await reader.read(65536):
            queue.put_nowait((loop.time() + delay, data))
    except ConnectionError:
        pass
    queue.put_nowait((0, None))
    await sender


async def main(socket_path, delay, port_file):
    async def serve(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_unix_connection(socket_path)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pipe(client_reader, server_writer, delay), pipe(server_reader, client_writer, delay),
                             return_exceptions=True)

    server = await asyncio.start_server(serve, "127.0.0.1", 0)
    with open(port_file, "w") as out:
        out.write(str(server.sockets[0].getsockname()[1]))
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], float(sys.argv[2]) / 1000, sys.argv[3]))
