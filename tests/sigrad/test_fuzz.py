"""Generated malformed requests: receipt bodies broken in one place or not
JSON at all, wrong and missing headers, unknown paths and methods, raw
bytes that are no HTTP request, and chunked bodies with malformed chunk
sizes or over 64 KiB (413). Each is answered with a 4xx, the service stays
up, and the printer is sent nothing: its journal does not change.

11 500 requests in all; SIGRAD may name a sanitizer build."""

from __future__ import annotations

import json
import re
import socket
import string

import pytest
import requests
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from kit import new_key

RECEIPTS = "/v1/printers/till1/receipts"

FUZZ = settings(max_examples=2100, deadline=None, derandomize=True, database=None,
                suppress_health_check=list(HealthCheck))

GOOD_ITEM = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 2, "unit": "szt",
             "price": "4.50"}
GOOD_RECEIPT = {"items": [GOOD_ITEM],
                "payments": [{"name": "Gotówka", "paid": "20.00", "change": "11.00"}],
                "lines": [{"type": 0, "text": "Dziękujemy"}], "discount_percent": 5}

json_values = st.recursive(
    st.none() | st.booleans() | st.integers() | st.floats(allow_nan=False, allow_infinity=False)
    | st.text(max_size=40),
    lambda inner: st.lists(inner, max_size=4) | st.dictionaries(st.text(max_size=10), inner,
                                                                 max_size=4),
    max_leaves=12)

# Values that no field of a receipt takes where they are put.
too_long_name = st.text(alphabet=string.ascii_letters, min_size=29, max_size=300)
not_1250 = st.text(alphabet="😀漢字ЖЯ\u0000\u0001\ufffd", min_size=1, max_size=10).filter(
    lambda text: any(ord(c) > 0x2000 or ord(c) < 0x20 for c in text))
three_decimals = st.integers(0, 10**6).map(lambda n: f"{n // 1000}.{n % 1000:03d}").filter(
    lambda text: not text.endswith("0"))
negative_amount = st.integers(1, 10**9).map(lambda n: f"-{n // 100}.{n % 100:02d}")
huge_amount = st.integers(22, 10**30).map(lambda n: f"{n * 10**8}.00")
bad_number_text = st.sampled_from(["", " ", "1e3", "0x10", "4,5,0", "NaN", "Infinity", "1..2",
                                   "+-1", "4.5.0", "١٢"])
bad_rate = st.text(max_size=3).filter(lambda text: text not in list("ABCDEFG"))

# One field of a good receipt made wrong.
field_breakers = st.one_of(
    too_long_name.map(lambda v: ("item", "name", v)),
    not_1250.map(lambda v: ("item", "name", v)),
    st.sampled_from(["", None, 5, [], {}]).map(lambda v: ("item", "name", v)),
    bad_rate.map(lambda v: ("item", "rate", v)),
    st.sampled_from([1, None, "a", "AB"]).map(lambda v: ("item", "rate", v)),
    three_decimals.map(lambda v: ("item", "price", v)),
    negative_amount.map(lambda v: ("item", "price", v)),
    huge_amount.map(lambda v: ("item", "price", v)),
    bad_number_text.map(lambda v: ("item", "price", v)),
    st.sampled_from([None, True, [], {}]).map(lambda v: ("item", "price", v)),
    st.integers(1, 10**6).map(lambda n: ("item", "quantity", f"{n // 100000}.{n % 100000:05d}"))
    .filter(lambda t: not t[2].endswith("0")),
    negative_amount.map(lambda v: ("item", "quantity", v)),
    st.sampled_from([0, "0", "0.000", None, "x"]).map(lambda v: ("item", "quantity", v)),
    st.text(alphabet=string.ascii_letters, min_size=5, max_size=40).map(
        lambda v: ("item", "unit", v)),
    st.sampled_from(["yes", 1, None]).map(lambda v: ("item", "void", v)),
    st.text(alphabet=string.ascii_letters, min_size=14, max_size=60).map(
        lambda v: ("payment", "name", v)),
    three_decimals.map(lambda v: ("payment", "paid", v)),
    negative_amount.map(lambda v: ("payment", "change", v)),
    st.integers().filter(lambda n: not 0 <= n <= 15).map(lambda v: ("line", "type", v)),
    st.text(alphabet="x", min_size=254, max_size=400).map(lambda v: ("line", "text", v)),
    st.one_of(st.integers().filter(lambda n: not 0 <= n <= 100), st.just("five"), st.just(None))
    .map(lambda v: ("receipt", "discount_percent", v)),
    st.one_of(st.just([]), st.just(None), st.just({}), st.just("items"), st.integers())
    .map(lambda v: ("receipt", "items", v)),
    st.one_of(st.just("card"), st.integers(), st.lists(st.integers(), min_size=1, max_size=3))
    .map(lambda v: ("receipt", "payments", v)),
    st.lists(st.just({"type": 0, "text": "x"}), min_size=7, max_size=12)
    .map(lambda v: ("receipt", "lines", v)),
)


def broken_receipt(breaker: tuple[str, str, object]) -> dict:
    place, field, value = breaker
    body = json.loads(json.dumps(GOOD_RECEIPT))
    target = {"item": body["items"][0], "payment": body["payments"][0],
              "line": body["lines"][0], "receipt": body}[place]
    target[field] = value
    return body


def not_json(data: bytes) -> bool:
    try:
        json.loads(data)
    except ValueError:
        return True
    return False


@pytest.fixture(scope="module")
def setup(tmp_path_factory, request):
    # Module-wide: one printer and one service for the whole run.
    from kit import Printer, Service

    folder = tmp_path_factory.mktemp("fuzz")
    monkey = pytest.MonkeyPatch()
    monkey.setenv("SIGRA_DOSDEVICES", str(folder))
    printer = Printer(folder, 1)
    service = Service(folder, {"till1": 1})
    # Let the service finish talking to the printer at its start.
    service.get("/v1/printers/till1/status")
    yield printer, service
    service.stop()
    printer.stop_process()
    monkey.undo()


# What the service may ask the printer on its own (reaching it again, its
# state): reads. Any other journal line is something sent to be done.
READS = re.compile(r"^(connection check|status |status byte |NAK to status byte 8|"
                   r"device type query|model query|receipt counter|tax rates read)")


def sent_to_be_done(printer, since: int) -> list[str]:
    return [line for line in printer.journal()[since:] if not READS.match(line)]


class Quiet:
    """The service, and a check that a request sent the printer nothing."""

    def __init__(self, printer, service) -> None:
        self.printer = printer
        self.service = service

    def __getattr__(self, name: str):
        return getattr(self.service, name)

    def expect_4xx(self, send) -> None:
        before = self.printer.journal_length()
        answer = send()
        assert 400 <= answer.status_code < 500, (answer.status_code, answer.text[:300])
        if answer.content:
            error = answer.json()["error"]
            assert isinstance(error["code"], int) and isinstance(error["message"], str)
        assert sent_to_be_done(self.printer, before) == []


@pytest.fixture
def quiet_printer(setup):
    """Checks that a test sent the printer nothing and left the service up."""
    printer, service = setup
    before = printer.journal_length()
    yield Quiet(printer, service)
    assert service.alive(), service.log()[-2000:]
    assert requests.get(service.url + "/healthz", timeout=30).status_code == 200
    assert sent_to_be_done(printer, before) == []
    assert printer.counter() == 0


@FUZZ
@given(st.one_of(field_breakers.map(broken_receipt),
                 json_values.filter(lambda v: not isinstance(v, dict) or "items" not in v)))
def test_a_receipt_wrong_in_one_place_or_of_another_shape_is_refused(quiet_printer, body):
    quiet_printer.expect_4xx(lambda: quiet_printer.post(
        RECEIPTS, json.dumps(body, ensure_ascii=False).encode(), new_key()))


@FUZZ
@given(st.one_of(st.binary(max_size=300).filter(not_json),
                 st.text(max_size=200).map(lambda t: t.encode()).filter(not_json),
                 st.builds(lambda good, cut: good[:cut],
                           st.just(json.dumps(GOOD_RECEIPT).encode()),
                           st.integers(1, len(json.dumps(GOOD_RECEIPT)) - 1))))
def test_a_body_that_is_not_json_is_refused(quiet_printer, data):
    quiet_printer.expect_4xx(lambda: quiet_printer.post(RECEIPTS, data, new_key()))


header_text = st.text(alphabet=st.characters(min_codepoint=0x20, max_codepoint=0x7e), max_size=80)


@FUZZ
@given(st.one_of(
    # No key, an empty one or one that is too long.
    st.sampled_from([None, ""]).map(lambda key: (key, "application/json")),
    st.text(alphabet="k", min_size=256, max_size=2000).map(lambda key: (key, "application/json")),
    # A body that is not declared JSON.
    header_text.map(str.strip).filter(lambda t: "json" not in t.lower())
    .map(lambda ct: (new_key(), ct)),
))
def test_a_receipt_without_a_usable_key_or_json_content_type_is_refused(quiet_printer, headers):
    key, content_type = headers
    extra = {"Content-Type": content_type}
    if key is not None:
        extra["Idempotency-Key"] = key
    quiet_printer.expect_4xx(lambda: quiet_printer.http.post(
        quiet_printer.url + RECEIPTS, data=json.dumps(GOOD_RECEIPT), headers=extra, timeout=60))


# No "." or ".." segment: the client would fold it into another path.
segment = st.text(alphabet=string.ascii_letters + string.digits + "-._~%!$&'()*+,;=:@",
                  min_size=1, max_size=20).filter(lambda s: s not in (".", ".."))


@FUZZ
@given(st.one_of(
    # Another printer, on every printer route.
    st.tuples(segment.filter(lambda s: s != "till1"),
              st.sampled_from(["status", "receipts", "receipts/x", "clock", "clock/shift",
                               "rates", "counters", "drawer", "reports/daily", "reports/state",
                               "reports/periodic"]))
    .map(lambda t: ("GET", f"/v1/printers/{t[0]}/{t[1]}")),
    # Paths nobody serves, and methods no route takes.
    st.lists(segment, min_size=0, max_size=5).map(
        lambda parts: ("GET", "/" + "/".join(["x", *parts]))),
    st.tuples(st.sampled_from(["PUT", "DELETE", "PATCH"]),
              st.sampled_from(["/v1/printers", RECEIPTS, "/v1/printers/till1/status", "/healthz"]))
    .map(lambda t: (t[0], t[1])),
    st.lists(segment, min_size=0, max_size=3)
    .map(lambda parts: ("POST", "/v1/printers/till1/" + "/".join(["receipts", *parts, "x"]))),
))
def test_an_unknown_path_printer_or_method_is_refused(quiet_printer, request_line):
    method, path = request_line
    # A GET goes without a body: the HTTP library leaves a GET's body unread.
    quiet_printer.expect_4xx(lambda: quiet_printer.http.request(
        method, quiet_printer.url + path, data=None if method == "GET" else json.dumps(GOOD_RECEIPT),
        headers={"Content-Type": "application/json", "Idempotency-Key": new_key()}, timeout=60))


def raw_exchange(service, data: bytes) -> bytes:
    with socket.create_connection(("127.0.0.1", service.port), timeout=30) as connection:
        try:
            connection.sendall(data)
            connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        answer = b""
        try:
            while chunk := connection.recv(65536):
                answer += chunk
        except (ConnectionResetError, TimeoutError):
            pass
    return answer


good_body = json.dumps(GOOD_RECEIPT).encode()


@FUZZ
@given(st.one_of(
    # A request line that is not one.
    st.binary(min_size=1, max_size=200).map(lambda b: b + b"\r\n\r\n"),
    # A good request with one header made of random bytes.
    st.binary(min_size=1, max_size=100).filter(lambda b: b"\r\n" not in b).map(
        lambda b: b"POST " + RECEIPTS.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\nIdempotency-Key: "
        + new_key().encode() + b"\r\nContent-Type: application/json\r\n" + b + b"\r\n"
        + b"Content-Length: 0\r\n\r\n"),
    # A body longer than its Content-Length says (the rest is read as the
    # next request), or shorter (the service waits, then the client is gone).
    st.integers(-len(good_body) + 1, 500).filter(lambda d: d != 0).map(
        lambda d: b"POST " + RECEIPTS.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\nIdempotency-Key: "
        + new_key().encode() + b"\r\nContent-Type: application/json\r\nContent-Length: "
        + str(len(good_body) + d).encode() + b"\r\n\r\n" + good_body),
    # Headers or a body past the limits.
    st.integers(65 * 1024, 200 * 1024).map(
        lambda n: b"GET /v1/printers HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + b"a" * n + b"\r\n\r\n"),
    st.integers(65 * 1024, 300 * 1024).map(
        lambda n: b"POST " + RECEIPTS.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\nIdempotency-Key: k\r\n"
        b"Content-Type: application/json\r\nContent-Length: " + str(n).encode() + b"\r\n\r\n"
        + b" " * n),
))
def test_bytes_that_are_no_good_request_are_answered_4xx_or_dropped(quiet_printer, data):
    before = quiet_printer.printer.journal_length()
    answer = raw_exchange(quiet_printer, data)
    assert sent_to_be_done(quiet_printer.printer, before) == []
    # The service may drop a connection whose bytes are no request at all;
    # what it answers is a client error.
    if answer:
        status_line = answer.split(b"\r\n", 1)[0]
        assert status_line.startswith(b"HTTP/1.1 4"), (data[:200], answer[:300])


def chunked_receipt(chunks: bytes) -> bytes:
    return (b"POST " + RECEIPTS.encode() + b" HTTP/1.1\r\nHost: 127.0.0.1\r\nIdempotency-Key: "
            + new_key().encode() + b"\r\nContent-Type: application/json\r\n"
            b"Transfer-Encoding: chunked\r\n\r\n" + chunks)


def no_number(size_line: bytes) -> bool:
    """A chunk-size line from which no hexadecimal number can be read."""
    return b"\r" not in size_line and b"\n" not in size_line and \
        re.match(rb"[\s+-]*[0-9a-fA-F]", size_line) is None


CHUNKED = settings(FUZZ, max_examples=500)


@CHUNKED
@given(st.one_of(
    # A size line that holds no number.
    st.binary(min_size=1, max_size=20).filter(no_number).map(
        lambda line: line + b"\r\n" + good_body + b"\r\n0\r\n\r\n"),
    # A size past any integer.
    st.integers(17, 64).map(lambda digits: b"f" * digits + b"\r\n" + good_body + b"\r\n0\r\n\r\n"),
    # A size over the data that comes: the last chunk is read as data.
    st.integers(1, 5000).map(
        lambda over: b"%x\r\n" % (len(good_body) + over) + good_body + b"\r\n0\r\n\r\n"),
    # The data of a chunk not ended by CRLF.
    st.binary(min_size=2, max_size=10).filter(lambda junk: not junk.startswith(b"\r\n")).map(
        lambda junk: b"%x\r\n" % len(good_body) + good_body + junk + b"0\r\n\r\n"),
).map(chunked_receipt))
def test_a_chunked_body_with_malformed_chunk_sizes_is_answered_4xx_or_dropped(quiet_printer,
                                                                               data):
    before = quiet_printer.printer.journal_length()
    answer = raw_exchange(quiet_printer, data)
    assert sent_to_be_done(quiet_printer.printer, before) == []
    if answer:
        assert answer.split(b"\r\n", 1)[0].startswith(b"HTTP/1.1 4"), (data[:200], answer[:300])


@CHUNKED
@given(st.integers(64 * 1024 + 1, 300 * 1024), st.integers(1, 16 * 1024))
def test_a_chunked_body_over_64_kib_is_answered_413(quiet_printer, size, chunk):
    pieces = [min(chunk, size - start) for start in range(0, size, chunk)]
    data = chunked_receipt(b"".join(b"%x\r\n" % n + b" " * n + b"\r\n" for n in pieces)
                           + b"0\r\n\r\n")
    before = quiet_printer.printer.journal_length()
    answer = raw_exchange(quiet_printer, data)
    assert sent_to_be_done(quiet_printer.printer, before) == []
    assert answer.split(b"\r\n", 1)[0] == b"HTTP/1.1 413 Payload Too Large", answer[:300]
