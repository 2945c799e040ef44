"""What the service says of its printers while nobody asks anything of them:
an idle printer switched off is found unreachable by the service itself, and
found again once it is back; /healthz?printers=1 lists the printers that do
not answer, plain /healthz speaks for the service alone."""

from __future__ import annotations

import time

from kit import new_key, receipt
from kit import folder, make_printer, make_service  # noqa: F401 - fixtures

# The service asks an idle printer every 30 s; a switched-off one costs it
# its read timeout (5 s) besides.
NOTICED = 50


def healthz_becomes(service, status: int) -> None:
    """Waits, asking twice a second, until /healthz?printers=1 answers `status`."""
    deadline = time.monotonic() + NOTICED
    while service.get("/healthz?printers=1").status_code != status:
        assert time.monotonic() < deadline, f"/healthz?printers=1 not {status} in {NOTICED} s"
        time.sleep(0.5)


def online(service) -> dict:
    return {printer["id"]: printer["online"]
            for printer in service.get("/v1/printers").json()["printers"]}


def test_an_idle_printer_switched_off_and_on_is_noticed_and_listed(make_printer, make_service):
    make_printer(1)
    second = make_printer(2)
    service = make_service({"till1": 1, "till2": 2})
    answer = service.get("/healthz?printers=1")
    assert answer.status_code == 200, answer.text
    assert answer.json() == {"status": "ok", "unreachable": [],
                             "printers": [{"id": "till1", "online": True},
                                          {"id": "till2", "online": True}]}

    assert second.control("power off") == "ok"
    healthz_becomes(service, 503)
    answer = service.get("/healthz?printers=1")
    assert answer.json()["unreachable"] == ["till2"], answer.text
    assert int(answer.headers["Retry-After"]) >= 1
    assert online(service) == {"till1": True, "till2": False}
    # The service itself is well, and the other printer sells.
    plain = service.get("/healthz")
    assert (plain.status_code, plain.json()) == (200, {"status": "ok"})
    sale = service.post("/v1/printers/till1/receipts", receipt("1.00"), new_key())
    assert sale.status_code == 201, sale.text

    assert second.control("power on") == "ok"
    healthz_becomes(service, 200)
    assert online(service) == {"till1": True, "till2": True}
    assert service.get("/v1/printers").json()["printers"][1]["device_type"] == 7
