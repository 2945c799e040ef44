"""sigrad over real TCP against the emulator: each route's answers, the
receipt's checks before anything is sent, idempotency, the journal's
settling at start-up, and the security checks."""
import http.client
import json
import os
import re
import signal
import socket
import sqlite3
import ssl
import subprocess
import threading
import time

from conftest import Emulator, Service, journal_rows, sigrad_command, windows_path

BREAD = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 2, "unit": "szt", "price": "4.50"}


def counters(service):
    status, _, body = service.request("GET", "/v1/printers/till1/counters")
    assert status == 200, body
    return body["receipts"]


def test_printers_status_and_reading_routes(service):
    status, headers, body = service.request("GET", "/v1/printers")
    assert status == 200
    assert body == {"printers": [{"id": "till1", "port": 1, "speed": 9600, "device_type": 7,
                                  "device_name": "VELMO LUNO", "online": True}]}
    assert headers["X-Request-Id"]

    status, _, body = service.request("GET", "/v1/printers/till1/status")
    assert status == 200
    assert body["online"] is True and body["receipt_possible"] is True and body["code"] == 0
    assert "Moduł w trybie szkoleniowym" in body["lines"]
    assert body["flags"]["fiscal_mode"] is False and body["flags"]["drawer_open"] is False
    assert body["flags"]["paper_out"] is False and body["flags"]["clock_erased"] is False

    status, _, body = service.request("GET", "/v1/printers/till1/rates")
    assert status == 200
    assert body["rates"][0] == {"rate": "A", "percent": "22.00", "defined": True}
    assert body["rates"][3] == {"rate": "D", "exempt": True, "defined": True}
    assert body["rates"][6] == {"rate": "G", "defined": False}

    status, _, body = service.request("GET", "/v1/printers/till1/clock")
    assert (status, body["clock"]) == (200, "2024-05-17T14:05")
    assert service.request("GET", "/v1/printers/till1/counters")[2] == {
        "printer": "till1", "receipts": 0, "daily_reports": 0}

    for path in ("/v1/printers/till9/status", "/v1/printers/till9/receipts/x", "/v1/nothing"):
        status, _, body = service.request("GET", path)
        assert status == 404 and body["error"]["code"] == 404, path
    status, headers, body = service.request("GET", "/healthz")
    assert (status, body) == (200, {"status": "ok"})
    status, _, document = service.request("GET", "/v1/openapi.json")
    assert status == 200 and document["openapi"].startswith("3.")
    # The project's one version, as sigrad --version gives it.
    assert re.fullmatch(r"\d+\.\d+\.\d+", document["info"]["version"]), document["info"]
    assert "/v1/printers/{id}/receipts/{key}" in document["paths"]
    status, headers, _ = service.request("GET", "/healthz", headers={"X-Request-Id": "till-42"})
    assert headers["X-Request-Id"] == "till-42"
    # The access line is written once the answer has gone out.
    deadline = time.monotonic() + 10
    while " till-42 GET /healthz 200 " not in service.log() and time.monotonic() < deadline:
        time.sleep(0.05)
    assert " till-42 GET /healthz 200 " in service.log()


def test_a_receipt_is_printed_once_in_its_letters(service, printer):
    body = {"items": [BREAD, {"name": "Żółć wołowa 100g", "rate": "B", "quantity": "1.500", "unit": "kęs",
                              "price": 3.99, "void": False}],
            "payments": [{"name": "Gotówka", "paid": "20.00", "change": "5.76"}],
            "lines": [{"type": 0, "text": "Dziękujemy za zakupy"}], "discount_percent": 5}
    status, headers, answer = service.sell("sale-1", body)
    assert status == 201, answer
    assert answer == {"key": "sale-1", "printer": "till1", "fiscalised": True,
                      "receipt_number": 1, "total": "14.24"}
    assert "Idempotent-Replayed" not in headers
    printout = printer.journal()
    assert "| Żółć wołowa 100g" in printout and "Gotówka" in printout and "Dziękujemy za zakupy" in printout
    assert "PARAGON NR 1" in printout

    # The same key and body: the stored answer, nothing sent.
    heard = len(printer.journal())
    status, headers, again = service.sell("sale-1", body)
    assert (status, again, headers["Idempotent-Replayed"]) == (201, answer, "true")
    assert len(printer.journal()) == heard

    # The same key with another body.
    status, _, refused = service.sell("sale-1", {"items": [BREAD]})
    assert status == 422 and refused["error"]["code"] == 422
    assert len(printer.journal()) == heard

    status, _, outcome = service.request("GET", "/v1/printers/till1/receipts/sale-1")
    assert status == 200
    assert (outcome["state"], outcome["fiscalised"], outcome["answer"]) == ("done", True, answer)
    assert counters(service) == 1
    assert 'sigrad_receipts_total{printer="till1",fiscalised="yes"} 1' in \
        service.request("GET", "/metrics")[2]


def test_bad_input_is_refused_before_anything_is_sent(service, printer):
    heard = printer.journal()
    item = dict(BREAD)
    cases = [
        ("malformed", None, b'{"items": [', 400),
        ("wrong type", {"items": [dict(item, price=[4.5])]}, None, 400),
        ("name as number", {"items": [dict(item, name=5)]}, None, 400),
        ("29 characters", {"items": [dict(item, name="x" * 29)]}, None, 400),
        ("rate H", {"items": [dict(item, rate="H")]}, None, 400),
        ("three decimals", {"items": [dict(item, price="4.505")]}, None, 400),
        ("three decimals as a number", None,
         b'{"items":[{"name":"Chleb razowy","rate":"A","quantity":1,"price":4.505}]}', 400),
        ("exponent", None,
         b'{"items":[{"name":"Chleb razowy","rate":"A","quantity":1,"price":4.5e0}]}', 400),
        ("negative", {"items": [dict(item, price=-1)]}, None, 400),
        ("negative payment", {"items": [item], "payments": [{"name": "Karta", "paid": "-5"}]},
         None, 400),
        ("overflowing", {"items": [dict(item, price="21474836.48")]}, None, 400),
        ("overflowing total", {"items": [dict(item, quantity=1, price="20000000"),
                                         dict(item, quantity=1, price="20000000")]}, None, 400),
        ("five quantity decimals", {"items": [dict(item, quantity="1.00001")]}, None, 400),
        ("empty receipt", {"items": []}, None, 400),
        ("no items", {"payments": []}, None, 400),
        ("unknown field", {"items": [item], "tip": 5}, None, 400),
        ("not Windows-1250", {"items": [dict(item, name="寿司 sushi")]}, None, 400),
        ("euro sign", {"items": [dict(item, name="Kawa 250g 5€")]}, None, 400),
        ("e acute", {"items": [dict(item, name="Café latte")]}, None, 400),
        ("quotation marks", {"items": [item], "lines": [{"type": 0, "text": "„Dziękujemy”"}]},
         None, 400),
        ("control character", {"items": [dict(item, name="Chleb\u0000razowy")]}, None, 400),
        ("seven lines", {"items": [item], "lines": [{"type": 0, "text": "x"}] * 7}, None, 400),
        ("discount 100", {"items": [item], "discount_percent": 100}, None, 400),
        ("array body", [item], None, 400),
        ("over the limit", {"items": [dict(item, unit="x" * 70000)]}, None, 413),
    ]
    for name, body, raw, expected in cases:
        status, _, answer = service.request("POST", "/v1/printers/till1/receipts", body,
                                            {"Idempotency-Key": "bad-" + name}, raw=raw)
        assert status == expected, (name, answer)
        assert answer["error"]["code"] == expected and answer["error"]["message"], name
    status, _, answer = service.request("POST", "/v1/printers/till1/receipts", {"items": [item]})
    assert status == 400 and "Idempotency-Key" in answer["error"]["message"]
    padding = {f"X-Padding-{i}": "x" * 7000 for i in range(10)}
    status, _, answer = service.request("POST", "/v1/printers/till1/receipts", {"items": [item]},
                                        dict(padding, **{"Idempotency-Key": "padded"}))
    assert status == 431 and answer["error"]["code"] == 431
    # Windows-1250 has it, the printer does not: refused by name.
    status, _, answer = service.sell("euro", {"items": [dict(item, name="Kawa 250g 5€")]})
    assert status == 400 and answer["error"]["message"] == (
        'items[0]: name "Kawa 250g 5€" has "€", a character the printer cannot print'), answer
    status, _, answer = service.request("POST", "/v1/printers/till1/receipts", raw=b"items",
                                        headers={"Content-Type": "text/plain",
                                                 "Idempotency-Key": "typed"})
    assert status == 415
    status, _, answer = service.request("GET", "/v1/printers/" + "x" * 8000 + "/status")
    assert status == 414 and answer["error"]["code"] == 414
    assert service.request("POST", "/v1/printers/till1/clock/shift", {"minutes": 0})[0] == 400
    assert service.request("POST", "/v1/printers/till1/drawer", {"drawer": 4})[0] == 400
    assert service.request("POST", "/v1/printers/till1/reports/periodic",
                           {"month": "2024-13"})[0] == 400
    # Nothing reached the printer, and nothing was journalled.
    assert printer.journal() == heard
    assert journal_rows(service.journal) == []


def test_a_key_still_running_gets_409_and_a_full_queue_503(folder, printer):
    service = Service(folder, ["till1=COM1"], ["--queue", "2"])
    try:
        assert counters(service) == 0
        printer.process.send_signal(signal.SIGSTOP)
        answers = {}

        def sell(key):
            answers[key] = service.sell(key, {"items": [BREAD]})
        first = threading.Thread(target=sell, args=("slow",))
        first.start()
        time.sleep(0.5)
        status, _, answer = service.sell("slow", {"items": [BREAD]})
        assert status == 409 and answer["error"]["code"] == 409
        second = threading.Thread(target=sell, args=("queued",))
        second.start()
        time.sleep(0.5)
        status, headers, answer = service.sell("refused", {"items": [BREAD]})
        assert status == 503 and headers["Retry-After"] and answer["fiscalised"] is False
        printer.process.send_signal(signal.SIGCONT)
        first.join(120)
        second.join(120)
        # Whatever each was told matches the printer's counter.
        told = [a[2].get("fiscalised") for a in answers.values()]
        assert told.count(True) == counters(service), answers
        # A key refused for a full queue is sold when it comes again.
        status, _, answer = service.sell("refused", {"items": [BREAD]})
        assert status == 201 and answer["fiscalised"] is True
    finally:
        printer.process.send_signal(signal.SIGCONT)
        service.stop()


def test_unfinished_entries_are_settled_from_the_counter_at_start_up(folder, printer):
    service = Service(folder, ["till1=COM1"])
    assert service.sell("sold", {"items": [BREAD]})[0] == 201
    service.stop()
    body = json.dumps({"items": [BREAD]})
    with sqlite3.connect(service.journal) as db:
        # The same body's digest as the sale's.
        digest = db.execute("SELECT digest FROM entries").fetchone()[0]
        # Cut after the printer fiscalised receipt 1 (its counter read 0
        # before), and cut before anything could sell (the counter is 1).
        for key, before in (("cut-after", 0), ("cut-before", 1)):
            db.execute("INSERT INTO entries (printer, key, kind, digest, body, state,"
                       " counter_before, created, updated) VALUES"
                       " ('till1', ?, 'receipt', ?, ?, 'closing', ?, 0, 0)",
                       (key, digest, body, before))
        db.execute("DELETE FROM entries WHERE key = 'sold'")
    heard = len(printer.journal())
    restarted = Service(folder, ["till1=COM1"], journal=service.journal)
    try:
        _, _, after = restarted.request("GET", "/v1/printers/till1/receipts/cut-after")
        assert (after["state"], after["fiscalised"]) == ("done", True)
        assert after["answer"]["receipt_number"] == 1
        _, _, before = restarted.request("GET", "/v1/printers/till1/receipts/cut-before")
        assert (before["state"], before["fiscalised"]) == ("done", False)
        assert "receipt begin" not in printer.journal()[heard:]
        # The one not fiscalised sells under its key; the other is replayed.
        assert restarted.sell("cut-before", json.loads(body))[2]["receipt_number"] == 2
        status, headers, _ = restarted.sell("cut-after", json.loads(body))
        assert (status, headers["Idempotent-Replayed"]) == (201, "true")
        assert counters(restarted) == 2
    finally:
        restarted.stop()


def guarded_service(folder):
    """A service that wants the token "s3cret-token" and lets one origin in."""
    token = os.path.join(folder, "token")
    with open(token, "w") as f:
        f.write("s3cret-token\n")
    return Service(folder, ["till1=COM1"], ["--token-file", token,
                                            "--allow-origin", "http://till.local:8080"])


def test_tokens_origins_and_preflight(folder, printer):
    service = guarded_service(folder)
    try:
        heard = len(printer.journal())
        assert service.request("GET", "/healthz")[0] == 200
        assert service.request("GET", "/v1/printers")[0] == 401
        assert service.request("GET", "/v1/printers",
                               headers={"Authorization": "Bearer s3cret-tokeN"})[0] == 401
        auth = {"Authorization": "Bearer s3cret-token"}
        assert service.request("GET", "/v1/printers", headers=auth)[0] == 200
        status, _, answer = service.sell("evil", {"items": [BREAD]},
                                         headers=dict(auth, Origin="http://shop.example"))
        assert status == 403 and answer["error"]["code"] == 403
        status, headers, _ = service.request(
            "OPTIONS", "/v1/printers/till1/receipts",
            headers={"Origin": "http://till.local:8080",
                     "Access-Control-Request-Method": "POST",
                     "Access-Control-Request-Private-Network": "true"})
        assert status == 204
        assert headers["Access-Control-Allow-Origin"] == "http://till.local:8080"
        assert headers["Access-Control-Allow-Private-Network"] == "true"
        assert "Idempotency-Key" in headers["Access-Control-Allow-Headers"]
        assert len(printer.journal()) == heard
        status, headers, _ = service.sell("allowed", {"items": [BREAD]},
                                          headers=dict(auth, Origin="http://till.local:8080"))
        assert status == 201 and headers["Access-Control-Allow-Origin"] == "http://till.local:8080"
    finally:
        service.stop()
    refused = subprocess.run(sigrad_command("--printer", "till1=COM1", "--listen", "0.0.0.0:0",
                                            "--journal", windows_path(os.path.join(folder, "j2.db"))),
                             capture_output=True, text=True, timeout=10)
    assert refused.returncode == 2 and "needs --token-file" in refused.stderr


def test_reports_drawer_clock_and_daily_report_keys(service, printer):
    assert service.request("POST", "/v1/printers/till1/drawer", {})[0:3:2] == (200, {"opened": True})
    assert service.request("POST", "/v1/printers/till1/reports/state", {})[0] == 200
    status, _, answer = service.request("POST", "/v1/printers/till1/clock/shift", {"minutes": 5})
    assert (status, answer["clock"]) == (200, "2024-05-17T14:10")
    assert service.sell("one", {"items": [BREAD]})[0] == 201
    # The printer moves its clock only before the day's first receipt.
    status, _, answer = service.request("POST", "/v1/printers/till1/clock/shift", {"minutes": 5})
    assert status == 422 and answer["error"]["code"] == 218
    status, _, answer = service.request("POST", "/v1/printers/till1/reports/daily", {},
                                        {"Idempotency-Key": "day-1"})
    assert status == 201 and answer["report_number"] == 1, answer
    status, headers, again = service.request("POST", "/v1/printers/till1/reports/daily", {},
                                             {"Idempotency-Key": "day-1"})
    assert (status, again, headers["Idempotent-Replayed"]) == (201, answer, "true")
    assert service.request("GET", "/v1/printers/till1/counters")[2]["daily_reports"] == 1
    status, _, answer = service.request("POST", "/v1/printers/till1/reports/periodic",
                                        {"detailed": False, "from_number": 1, "to_number": 1})
    assert status == 200, answer


def test_a_journal_that_cannot_be_opened_stops_the_service(folder, printer):
    blocked = os.path.join(folder, "file")
    open(blocked, "w").close()
    run = subprocess.run(sigrad_command("--printer", "till1=COM1", "--listen", "127.0.0.1:0",
                                        "--journal", windows_path(os.path.join(blocked, "journal.db"))),
                         capture_output=True, text=True, timeout=20,
                         env=dict(os.environ, SIGRA_DOSDEVICES=folder))
    assert run.returncode == 1
    assert "journal" in run.stderr and "cannot be opened" in run.stderr


def test_a_line_the_printer_refuses_leaves_nothing_sold(service, printer):
    # Too few significant characters for the printer: the item is refused
    # and the receipt cancelled, nothing fiscalised.
    status, _, answer = service.sell("short", {"items": [dict(BREAD, name="Żółć")]})
    assert status == 422 and answer["fiscalised"] is False, answer
    assert answer["error"]["code"] in (202, 210)
    assert counters(service) == 0
    status, _, answer = service.sell("next", {"items": [BREAD]})
    assert (status, answer["receipt_number"]) == (201, 1)
    assert 'sigrad_receipts_total{printer="till1",fiscalised="no"} 1' in \
        service.request("GET", "/metrics")[2]


def test_https_with_a_certificate(folder, printer):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=localhost", "-keyout", key, "-out", cert],
                   check=True, capture_output=True)
    service = Service(folder, ["till1=COM1"], ["--tls-cert", cert, "--tls-key", key])
    try:
        assert "listening on https://" in service.log()
        context = ssl.create_default_context(cafile=cert)
        context.check_hostname = False
        connection = http.client.HTTPSConnection("127.0.0.1", service.port, context=context,
                                                 timeout=30)
        connection.request("GET", "/v1/printers")
        response = connection.getresponse()
        assert response.status == 200
        assert json.loads(response.read())["printers"][0]["device_type"] == 7
        connection.close()
    finally:
        service.stop()


def alive(pid):
    """Running, not a zombie waiting for its parent to notice."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def workers(service):
    found = subprocess.run(["pgrep", "-P", str(service.process.pid)], capture_output=True,
                           text=True).stdout.split()
    return [int(pid) for pid in found]


def test_a_dead_printer_process_is_restarted_and_dies_with_the_service(folder, printer):
    service = Service(folder, ["till1=COM1"], env={"SIGRA_TRACE": os.path.join(folder, "trace")})
    try:
        [worker] = workers(service)
        os.kill(worker, signal.SIGKILL)
        time.sleep(0.2)
        status, _, answer = service.request("GET", "/v1/printers/till1/status")
        assert (status, answer["online"]) == (200, True)
        assert service.sell("after", {"items": [BREAD]})[0] == 201
        [restarted] = workers(service)
        assert restarted != worker
        # Each printer traces into a file of its own.
        with open(os.path.join(folder, "trace.till1")) as trace:
            assert " cmd 33 sent 1B 21 " in trace.read()
        service.process.send_signal(signal.SIGKILL)
        service.process.wait(10)
        for _ in range(100):
            if not alive(restarted):
                break
            time.sleep(0.05)
        assert not alive(restarted)
    finally:
        service.stop()


def exchange(port, head, body=b"", seconds=30):
    """Sends a request's head and, a moment later, its body on one connection
    (as a browser may send them), and gives the statuses of the responses that
    came back before the service closed it (a reset counts as closed). The
    sending side stays open: the service writes nothing to a client that has
    shut it."""
    answer = b""
    with socket.create_connection(("127.0.0.1", port), timeout=seconds) as connection:
        connection.sendall(head)
        time.sleep(0.3)
        try:
            connection.sendall(body)
            while chunk := connection.recv(65536):
                answer += chunk
        except (ConnectionResetError, BrokenPipeError):
            pass
    return [int(status) for status in re.findall(rb"HTTP/1\.1 (\d{3}) ", answer)]


def test_no_refused_request_carries_another_in_its_body(folder, printer):
    service = guarded_service(folder)
    try:
        sale = json.dumps({"items": [BREAD]}).encode()

        def inner(key):
            """A whole sale, good enough to print, with the token and no Origin."""
            return (b"POST /v1/printers/till1/receipts HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                    b"Authorization: Bearer s3cret-token\r\nContent-Type: application/json\r\n"
                    b"Idempotency-Key: " + key.encode() + b"\r\nContent-Length: "
                    + str(len(sale)).encode() + b"\r\n\r\n" + sale)

        def outer(method, path, headers, body):
            return (method.encode() + b" " + path.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                    + b"".join(name.encode() + b": " + value.encode() + b"\r\n"
                               for name, value in headers.items())
                    + b"Content-Length: " + str(len(body)).encode() + b"\r\n\r\n", body)

        auth = {"Authorization": "Bearer s3cret-token", "Content-Type": "application/json"}
        receipts = "/v1/printers/till1/receipts"
        big = {f"X-Pad-{i}": "a" * 8000 for i in range(9)}
        cases = {
            "path over 1024": ("POST", receipts + "/" + "x" * 1100, auth, {414}),
            "path over the request line limit": ("POST", receipts + "/" + "x" * 9000, auth, {414}),
            "path of a megabyte": ("GET", "/v1/printers/" + "x" * (1 << 20), auth, {414}),
            "headers over 64 KiB": ("POST", receipts, dict(auth, **big), {431}),
            "a header line over 8 KiB": ("POST", receipts, dict(auth, Big="a" * 9000), {400}),
            "origin not allowed": ("POST", receipts, dict(auth, Origin="http://shop.example"),
                                   {403}),
            "no token": ("POST", receipts, {"Content-Type": "application/json"}, {401}),
            "not JSON": ("POST", receipts, dict(auth, **{"Content-Type": "text/plain"}), {415}),
            "a GET with a body": ("GET", "/v1/printers", auth, {400}),
            "a GET of the status with a body": ("GET", "/v1/printers/till1/status", auth, {400}),
            "an OPTIONS with a body": ("OPTIONS", receipts,
                                       {"Origin": "http://till.local:8080"}, {400}),
            "a method the path is not served with": ("PUT", receipts, auth, {405}),
            "a method the server does not know": ("BREW", receipts, auth, {400}),
        }
        heard = len(printer.journal())
        faults = []
        for name, (method, path, headers, expected) in cases.items():
            key = "inner-" + name.replace(" ", "-")
            statuses = exchange(service.port, *outer(method, path, headers, inner(key)))
            # One request, at most one answer: the body is never read as a
            # request of its own, which would sell.
            if len(statuses) > 1 or not set(statuses) <= expected:
                faults.append((name, statuses))
            if key in [row[0] for row in journal_rows(service.journal)]:
                faults.append((name, "sold"))
        assert not faults, faults
        assert "receipt" not in printer.journal()[heard:]
        # A connection whose requests were read whole serves on.
        request = (b"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                   b"Authorization: Bearer s3cret-token\r\n\r\n")
        assert exchange(service.port, request, request) == [200, 200]
    finally:
        service.stop()
