"""sigrad's gate over raw TCP: a chunked body held to the same 64 KiB as one
with Content-Length, the Host header naming this service or refused with
421, a log that a request cannot forge lines into, and connections that
trickle their headers cut off without holding up a till."""
import json
import re
import socket
import threading
import time

from conftest import Service

BREAD = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 2, "unit": "szt", "price": "4.50"}


def exchange(service, request, timeout=20):
    """Sends raw bytes; the status and the answer's bytes up to the close."""
    with socket.create_connection(("127.0.0.1", service.port), timeout=timeout) as connection:
        connection.sendall(request)
        answer = b""
        try:
            while True:
                chunk = connection.recv(65536)
                if not chunk:
                    break
                answer += chunk
                if b"\r\n\r\n" in answer and b"Connection: close" not in answer:
                    head, _, body = answer.partition(b"\r\n\r\n")
                    length = re.search(rb"Content-Length: (\d+)", head)
                    if length and len(body) >= int(length.group(1)):
                        break
        except (ConnectionResetError, socket.timeout):
            pass
    return int(answer.split(b" ", 2)[1]), answer


def chunked(body, size=4096):
    out = b""
    for start in range(0, len(body), size):
        piece = body[start:start + size]
        out += b"%x\r\n" % len(piece) + piece + b"\r\n"
    return out + b"0\r\n\r\n"


def post(path, headers, body):
    head = f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
    return (head + "".join(f"{k}: {v}\r\n" for k, v in headers.items()) + "\r\n").encode() + body


def test_a_chunked_body_is_held_to_64_kib(service, printer):
    heard = len(printer.journal())
    big = json.dumps({"items": [BREAD], "lines": [{"text": "x" * 70000}]}).encode()
    status, answer = exchange(service, post("/v1/printers/till1/receipts",
                                            {"Idempotency-Key": "big",
                                             "Transfer-Encoding": "chunked"}, chunked(big)))
    assert status == 413, answer
    assert b'"code":413' in answer
    status, answer = exchange(service, post("/v1/printers/till1/receipts",
                                            {"Idempotency-Key": "big-length",
                                             "Content-Length": str(len(big))}, big))
    assert status == 413, answer
    assert "receipt begin" not in printer.journal()[heard:]
    # Under the limit, chunked sells as any other body.
    small = json.dumps({"items": [BREAD]}).encode()
    status, answer = exchange(service, post("/v1/printers/till1/receipts",
                                            {"Idempotency-Key": "small",
                                             "Transfer-Encoding": "chunked"}, chunked(small, 7)))
    assert status == 201, answer
    # And a refusal by the gate is answered once such a body is read.
    status, answer = exchange(service, post("/v1/printers/till1/receipts",
                                            {"Idempotency-Key": "foreign", "Origin": "http://x.example",
                                             "Transfer-Encoding": "chunked"}, chunked(small)))
    assert status == 403, answer


def test_the_host_header_must_name_this_service(folder, printer):
    service = Service(folder, ["till1=COM1"], ["--allow-host", "Till.Local"])
    try:
        port = service.port
        for host in ("127.0.0.1", f"127.0.0.1:{port}", "localhost", f"LOCALHOST:{port}",
                     "[::1]", f"[::1]:{port}", "till.local", f"till.local:{port}"):
            status, _, body = service.request("GET", "/v1/printers", headers={"Host": host})
            assert status == 200, (host, body)
        heard = len(printer.journal())
        for host in ("evil.example", f"evil.example:{port}", "127.0.0.2", "localhost.evil.example",
                     "till.local:x", "[::2]:80"):
            status, _, body = service.request("GET", "/v1/printers/till1/status",
                                              headers={"Host": host})
            assert status == 421 and body["error"]["code"] == 421, (host, body)
            status, _, body = service.sell("rebound", {"items": [BREAD]}, headers={"Host": host})
            assert status == 421, (host, body)
        assert printer.journal()[heard:] == ""
    finally:
        service.stop()


def test_listening_on_every_address_tells_that_names_need_allow_host(folder, printer):
    token = f"{folder}/token"
    with open(token, "w") as file:
        file.write("secret\n")
    for extra, hinted in (([], True), (["--allow-host", "till.local"], False)):
        service = Service(folder, ["till1=COM1"],
                          ["--listen", "0.0.0.0:0", "--token-file", token, *extra])
        try:
            assert service.request("GET", "/healthz")[0] == 200
            assert ("--allow-host" in service.log()) is hinted, service.log()
        finally:
            service.stop()


def test_a_request_cannot_forge_or_flood_the_log(service):
    evil_id = "id\x1b[2J"
    status, answer = exchange(service, (
        "GET /nothing%0D%0A2026-01-01T00:00:00.000Z%20forged%20GET%20/healthz%20200 HTTP/1.1\r\n"
        f"Host: 127.0.0.1\r\nX-Request-Id: {evil_id}\r\nConnection: close\r\n\r\n").encode())
    assert status == 404
    assert evil_id.encode() not in answer
    status, _, _ = service.request("GET", "/" + "a" * 1000)
    assert status == 404
    status, _, _ = service.sell("key\x7fend", {"items": [BREAD]})
    assert status == 201
    service.stop()
    log = service.log()
    assert "\x1b" not in log and "\r" not in log and "\x7f" not in log
    for line in log.splitlines():
        assert line.startswith("sigrad: ") or re.match(r"\d{4}-\d\d-\d\dT", line), line
        assert "forged" not in line or "\\x0d\\x0a" in line, line
        assert len(line) < 700, line


def test_seventy_connections_trickling_their_headers_do_not_hold_up_a_sale(service, printer):
    trickling = []
    for _ in range(70):
        connection = socket.create_connection(("127.0.0.1", service.port), timeout=30)
        connection.sendall(b"POST /v1/printers/till1/receipts HTTP/1.1\r\nHost: 127.0.0.1\r\n")
        trickling.append(connection)
    stop = threading.Event()
    cut = set()

    def trickle():
        # A byte of a header every 0.2 s on each connection, well inside any
        # read timeout, until the service cuts it off.
        while not stop.is_set() and len(cut) < len(trickling):
            for index, connection in enumerate(trickling):
                if index in cut:
                    continue
                try:
                    connection.sendall(b"X")
                except OSError:
                    cut.add(index)
            time.sleep(0.2)

    thread = threading.Thread(target=trickle, daemon=True)
    thread.start()
    try:
        time.sleep(1.5)
        assert service.request("GET", "/healthz")[0] == 200
        status, _, answer = service.sell("while-trickled", {"items": [BREAD]})
        assert (status, answer["fiscalised"]) == (201, True), answer
        # None of them ever finishes its headers: each is cut off.
        deadline = time.monotonic() + 30
        while len(cut) < len(trickling) and time.monotonic() < deadline:
            time.sleep(0.2)
        assert len(cut) == len(trickling), f"{len(trickling) - len(cut)} still open"
    finally:
        stop.set()
        thread.join()
        for connection in trickling:
            connection.close()
    # A connection cut off before its headers were in is logged without a
    # time or an id of its own, not with those of the thread's last request.
    cut_lines = [line for line in service.log().splitlines() if " 400 " in line]
    assert cut_lines
    for line in cut_lines:
        assert re.search(r" - \S* \S* 400 - printer=- key=-$", line), line
