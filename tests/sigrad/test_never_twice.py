"""A receipt is never printed twice through the service: the printer's power
cut at each point of the closing, and sigrad killed (SIGKILL) at three
moments of a receipt and started again, while a till sends the same
Idempotency-Key until it is told the receipt was fiscalised. Each time the
printer ends with exactly one receipt of that sale, and every "fiscalised"
answer agrees with its receipt counter."""

from __future__ import annotations

import threading
import time

import pytest

from kit import Till, new_key, receipt, total_text, wait_for
from kit import folder, make_printer, make_service  # noqa: F401 - fixtures

CUT_POINTS = ["before-end", "after-ack", "printing"]


@pytest.mark.parametrize("point", CUT_POINTS)
def test_a_power_cut_at_each_point_of_the_closing_leaves_one_receipt(
        make_printer, make_service, point):
    printer = make_printer(1)
    service = make_service({"till1": 1})
    till = Till(service, printer)
    till.sell(receipt("1.11"), new_key())
    assert printer.control(f"cut {point} 300") == "ok"
    key = new_key()
    answer = till.sell(receipt("2.34"), key)
    assert answer["receipt_number"] == 2
    assert printer.counter() == 2
    assert printer.fiscal_totals() == ["1,11", "2,34"]
    # The first answer already told what the printer did: a cut before the
    # end is not fiscalised, after the acknowledgement it is.
    first_status, first = till.answers[1]
    assert first.get("fiscalised") is (point != "before-end"), (first_status, first)
    stored = service.get(f"/v1/printers/till1/receipts/{key}")
    assert stored.status_code == 200
    assert stored.json()["state"] == "done"
    assert stored.json()["fiscalised"] is True
    assert stored.json()["answer"]["receipt_number"] == 2


# Each moment: the journal line it waits for once the sale has begun, which
# occurrence of it, and how long after that line sigrad is killed. At
# 9600 bit/s a line of the receipt takes some 60 ms to send and its printout
# 0.1 s a printed line (two seconds for this one), so each kill lands well
# inside its step.
KILL_MOMENTS = {
    # The second of six lines is in: the closing is four lines away.
    "before-closing": (r"^receipt line data", 2, 0.0),
    # The printer has answered the closing and starts printing.
    "after-ack": (r"^receipt end -> 06", 1, 0.0),
    "while-printing": (r"^receipt end -> 06", 1, 0.6),
}


@pytest.mark.parametrize("moment", list(KILL_MOMENTS))
def test_sigrad_killed_at_each_moment_of_a_receipt_leaves_one_receipt(
        make_printer, make_service, moment):
    printer = make_printer(1, "--line-rate", "9600")
    service = make_service({"till1": 1})
    till = Till(service, printer)
    till.sell(receipt("1.11"), new_key())
    pattern, occurrence, delay = KILL_MOMENTS[moment]
    key = new_key()
    body = receipt("0.57", items=6)
    start = printer.journal_length()
    killed = []

    def kill_at_the_moment(attempt: int) -> None:
        if attempt != 0:
            return
        def watch() -> None:
            seen = start
            for _ in range(occurrence):
                seen = printer.wait_line(pattern, seen)
            time.sleep(delay)
            printing = not any("printout finished" in line for line in printer.journal()[start:])
            service.kill()
            # What the printer had counted when the service died: nothing
            # sends it a command until the service is back.
            time.sleep(0.3)
            killed.append((printer.counter(), printing))
            service.start()

        threading.Thread(target=watch, daemon=True).start()

    answer = till.sell(body, key, before_each=kill_at_the_moment)
    assert killed, "sigrad was not killed"
    # Killed before the closing, the printer had not counted the receipt;
    # killed after its acknowledgement, it had.
    assert killed[0][0] == (1 if moment == "before-closing" else 2)
    assert killed[0][1], "the printout had ended before sigrad was killed"
    assert answer["receipt_number"] == 2
    assert printer.counter() == 2
    assert printer.fiscal_totals() == ["1,11", total_text(57, 6)]
    if moment == "before-closing":
        # The receipt left open by the killed service was cancelled, not closed.
        assert any("PARAGON ANULOWANY" in line for printout in printer.printouts()
                   for line in printout)
    stored = service.get(f"/v1/printers/till1/receipts/{key}")
    assert stored.status_code == 200
    assert stored.json()["fiscalised"] is True
    assert stored.json()["answer"]["receipt_number"] == 2


def test_a_spare_printer_in_the_place_of_one_that_died_mid_print_sells_nothing_twice(
        make_printer, make_service):
    printer = make_printer(1, "--line-rate", "9600")
    service = make_service({"till1": 1})
    Till(service, printer).sell(receipt("1.11"), new_key())
    key = new_key()
    body = receipt("0.57", items=6)
    start = printer.journal_length()
    answers = []
    selling = threading.Thread(target=lambda: answers.append(
        service.post("/v1/printers/till1/receipts", body, key)))
    selling.start()
    printer.wait_line(r"^receipt end -> 06", start)
    time.sleep(0.5)
    # The printer dies while it prints the receipt it has counted; a spare,
    # another printer with a counter of its own, is put on its port.
    printer.stop_process()
    assert printer.counter() == 2
    spare = make_printer(1, "--unique-number", "ZZZ00000002", name="spare")
    selling.join(90)
    answer = answers[0]
    assert answer.status_code == 503, answer.text
    assert answer.json()["fiscalised"] is None, answer.json()
    assert answer.json()["error"]["id"] == "other_printer"
    assert "different printer" in answer.json()["error"]["message"]
    stored = service.get(f"/v1/printers/till1/receipts/{key}").json()
    assert (stored["state"], stored["fiscalised"]) == ("done", None), stored
    assert stored["answer"]["error"]["id"] == "other_printer"
    # A retry under the key is not sold on the spare.
    heard = spare.journal_length()
    retried = service.post("/v1/printers/till1/receipts", body, key)
    assert retried.status_code == 503, retried.text
    assert retried.json()["fiscalised"] is None
    assert "different printer" in retried.json()["error"]["message"]
    assert not any("receipt begin" in line for line in spare.journal()[heard:])
    assert spare.counter() == 0
    # A new sale goes to the spare.
    assert Till(service, spare).sell(receipt("3.00"), new_key())["receipt_number"] == 1
    # Once the printer that held the sale is back, its counter tells.
    spare.stop_process()
    printer.start()
    def retry_settled() -> dict | None:
        time.sleep(0.2)
        again = service.post("/v1/printers/till1/receipts", body, key)
        return again.json() if again.status_code == 201 else None

    settled = wait_for(retry_settled, 60, "the sale to be settled on its printer")
    assert (settled["fiscalised"], settled["receipt_number"]) == (True, 2), settled
    assert printer.counter() == 2
    assert printer.fiscal_totals() == ["1,11", total_text(57, 6)]
    assert spare.fiscal_totals() == ["3,00"]
