"""What an error tells a program beside its code and message: an id that
names it in words, when to ask again (Retry-After on 503 and 409, readable by
a page of an allowed origin), the methods a known path takes (405 with
Allow), and where a sale's outcome is kept (Location on 201)."""
import signal
import threading
import time

from conftest import Service

BREAD = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 2, "unit": "szt", "price": "4.50"}
RECEIPTS = "/v1/printers/till1/receipts"


def test_every_error_carries_an_id_that_names_it(service, printer):
    cases = [
        (("GET", "/v1/printers/till9/status"), {}, 404, "not_found"),
        (("GET", "/nothing"), {}, 404, "not_found"),
        (("POST", RECEIPTS), {"raw": b'{"items": [', "headers": {"Idempotency-Key": "k1"}},
         400, "bad_request"),
        (("POST", RECEIPTS), {"body": {"items": [BREAD]}}, 400, "bad_request"),
        (("POST", RECEIPTS), {"raw": b"items", "headers": {"Content-Type": "text/plain",
                                                            "Idempotency-Key": "k2"}},
         415, "unsupported_media_type"),
        (("GET", "/v1/printers/" + "x" * 2000 + "/status"), {}, 414, "path_too_long"),
    ]
    for (method, path), options, status, error_id in cases:
        got, _, answer = service.request(method, path, **options)
        assert (got, answer["error"]["id"]) == (status, error_id), (path[:40], answer)
        assert answer["error"]["code"] and answer["error"]["message"], answer
    assert service.sell("used", {"items": [BREAD]})[0] == 201
    status, _, answer = service.sell("used", {"items": [dict(BREAD, quantity=3)]})
    assert (status, answer["error"]["id"]) == (422, "key_reused"), answer
    status, _, answer = service.sell("rate-g", {"items": [dict(BREAD, rate="G")]})
    assert (status, answer["error"]["id"]) == (400, "rate_undefined"), answer


def test_a_known_path_asked_with_another_method_is_405_naming_the_methods(service, printer):
    heard = len(printer.journal())
    for method, path, allowed in (
            ("DELETE", f"{RECEIPTS}/some-key", "GET, HEAD, OPTIONS"),
            ("PUT", RECEIPTS, "POST, OPTIONS"),
            ("POST", "/v1/printers/till1/status", "GET, HEAD, OPTIONS"),
            ("GET", "/v1/printers/till1/drawer", "POST, OPTIONS"),
            ("GET", "/v1/printers/till1/reports/daily", "POST, OPTIONS"),
            ("PATCH", "/v1/printers", "GET, HEAD, OPTIONS"),
            ("POST", "/healthz", "GET, HEAD, OPTIONS")):
        body = {"items": [BREAD]} if method != "GET" else None
        status, headers, answer = service.request(method, path, body,
                                                  {"Idempotency-Key": "wrong-" + method})
        assert status == 405, (method, path, answer)
        assert headers["Allow"] == allowed, (method, path, headers)
        assert (answer["error"]["code"], answer["error"]["id"]) == (405, "method_not_allowed")
    # A path nobody serves stays 404, whatever the method.
    assert service.request("DELETE", "/v1/nothing")[0] == 404
    assert service.request("GET", "/v1/printers/till1/nothing")[0] == 404
    assert len(printer.journal()) == heard


def test_a_sale_made_names_where_its_outcome_is_kept(service):
    for key in ("plain-1", "FV/2026/000017", "50%off", "a b+c", "per%2Fcent"):
        status, headers, answer = service.sell(key, {"items": [BREAD]})
        assert status == 201, (key, answer)
        location = headers["Location"]
        assert location.startswith(RECEIPTS + "/"), location
        status, _, found = service.request("GET", location)
        assert status == 200, (key, location, found)
        assert (found["key"], found["answer"]) == (answer["key"], answer), (key, location)
        # Replayed, the same place.
        status, again, _ = service.sell(key, {"items": [BREAD]})
        assert (status, again["Location"], again["Idempotent-Replayed"]) == (201, location, "true")
    daily = service.request("POST", "/v1/printers/till1/reports/daily", {"zero": True},
                            {"Idempotency-Key": "day-1"})
    assert daily[0] == 201, daily
    assert service.request("GET", daily[1]["Location"])[2]["kind"] == "daily_report"
    # Refused, a sale has no place of its own.
    status, headers, _ = service.sell("refused", {"items": [dict(BREAD, price="4.505")]})
    assert status == 400 and "Location" not in headers


def test_busy_and_unreachable_answers_say_when_to_ask_again(folder, printer):
    service = Service(folder, ["till1=COM1"], ["--allow-origin", "http://till.local:8080"])
    origin = {"Origin": "http://till.local:8080"}
    try:
        assert service.sell("warm-up", {"items": [BREAD]})[0] == 201
        # A key whose request still runs: 409.
        printer.process.send_signal(signal.SIGSTOP)
        first = []
        running = threading.Thread(
            target=lambda: first.append(service.sell("slow", {"items": [BREAD]}, headers=origin)))
        running.start()
        time.sleep(0.5)
        status, headers, answer = service.sell("slow", {"items": [BREAD]}, headers=origin)
        assert (status, answer["error"]["id"]) == (409, "still_running"), answer
        assert int(headers["Retry-After"]) >= 1
        exposed = [name.strip() for name in headers["Access-Control-Expose-Headers"].split(",")]
        assert "Retry-After" in exposed and "Location" in exposed, exposed
        printer.process.send_signal(signal.SIGCONT)
        running.join(60)
        assert first[0][0] == 201 and first[0][1]["Location"], first
        # A printer that does not answer: 503, nothing sold, ask again later.
        printer.process.send_signal(signal.SIGSTOP)
        status, headers, answer = service.sell("while-off", {"items": [BREAD]})
        assert status == 503 and answer["fiscalised"] is not True, answer
        assert int(headers["Retry-After"]) >= 1, headers
        assert answer["error"]["id"] in ("printer_unreachable", "printer_process_not_answering")
    finally:
        printer.process.send_signal(signal.SIGCONT)
        service.stop()
