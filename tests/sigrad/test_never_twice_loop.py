"""200 sales through the service with the printer's power cut at random
points of the closing and sigrad killed (SIGKILL) at random moments and
started again, from a fixed seed: the printer counts one receipt for each
sale and prints each sale's total once."""

from __future__ import annotations

import random
import threading
import time

from kit import Till, new_key, receipt
from kit import folder, make_printer, make_service  # noqa: F401 - fixtures

SALES = 200
# Most sales go through; each cut costs the service's 5 s read timeout.
CHOICES = ["none", "cut before-end", "cut after-ack", "cut printing", "kill"]
WEIGHTS = [70, 5, 5, 5, 15]


def test_two_hundred_sales_with_random_cuts_and_restarts_count_each_once(
        make_printer, make_service):
    printer = make_printer(1)
    service = make_service({"till1": 1})
    till = Till(service, printer)
    chance = random.Random(2126)
    expected_totals = []
    expected_sum = 0
    done = {choice: 0 for choice in CHOICES}
    for sale in range(SALES):
        choice = chance.choices(CHOICES, WEIGHTS)[0]
        delay = chance.uniform(0.0, 0.25)
        grosze = 100 + sale
        if choice.startswith("cut"):
            assert printer.control(f"{choice} 100") == "ok"
        killer: list[threading.Thread] = []

        def kill_soon(attempt: int) -> None:
            if choice != "kill" or attempt != 0:
                return

            def kill() -> None:
                time.sleep(delay)
                service.kill()
                service.start()

            killer.append(threading.Thread(target=kill, daemon=True))
            killer[0].start()

        answer = till.sell(receipt(f"{grosze // 100}.{grosze % 100:02d}"), new_key(),
                           before_each=kill_soon)
        for thread in killer:
            thread.join()
        assert answer["receipt_number"] == sale + 1, (sale, choice, answer)
        expected_totals.append(f"{grosze // 100},{grosze % 100:02d}")
        expected_sum += grosze
        done[choice] += 1
    assert printer.counter() == SALES
    assert printer.fiscal_totals() == expected_totals
    day_totals = next(line for line in printer.state_path.read_text().splitlines()
                      if line.startswith("day-totals "))
    assert sum(int(value) for value in day_totals.split()[1:]) == expected_sum
    print("sales by fault:", done)
