#!/usr/bin/python3
"""SMTP server of the mail tests.

Listens on 127.0.0.1 at a free port, prints the port on its first line, and
stores every message it accepts in FOLDER as mail-N.eml (the raw message) and
mail-N.json (envelope sender and recipients). The .eml file appears complete.
With --refuse it refuses every recipient, as a server that does not know the
teacher's address.
"""
import asyncio
import json
import os
import socket
import sys

from aiosmtpd.smtp import SMTP


class Keep:
    def __init__(self, folder, refuse):
        self.folder = folder
        self.refuse = refuse
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse:
            return "550 5.1.1 <%s>: unknown recipient" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "mail-%d" % self.count)
        with open(base + ".json", "w") as f:
            json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos}, f)
        with open(base + ".part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".part", base + ".eml")
        return "250 OK"


async def main(folder, refuse):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.bind(("127.0.0.1", 0))
    sock.listen(8)
    handler = Keep(folder, refuse)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(handler, enable_SMTPUTF8=True), sock=sock)
    print(sock.getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1], "--refuse" in sys.argv[2:]))
