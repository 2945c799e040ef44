"""The module against the emulator: a sale, the tax rates, the errors."""

from __future__ import annotations

import importlib.metadata
import re
from pathlib import Path

import pytest

import sigra


def test_a_sale_prints_the_receipt_and_counts_in_the_day(connected: sigra.Driver, printer) -> None:
    connected.receipt_begin()
    assert connected.receipt_item("Chleb żytni 500g", rate=1, quantity=2, price=450) == 900
    assert connected.receipt_item("Mleko 3,2% 1l", rate=2, quantity=1500, decimals=3,
                                  price=399, unit="l") == 599
    connected.fill_payment(1, "Gotówka", 2000, 576)
    assert connected.fill_lines(0, "Dziękujemy za zakupy") == 5
    connected.receipt_end(discount=5)
    assert connected.receipt_number() == 1
    assert connected.read_total() == 1424
    assert connected.read_sel_total("A") == 855
    journal = printer.journal()
    # Polish letters went to the printer in its code page and back to paper.
    assert "| Chleb żytni 500g" in journal
    assert "Dziękujemy za zakupy" in journal
    assert "| SUMA PLN                           14,24" in journal


def test_the_rates_read_and_written(connected: sigra.Driver) -> None:
    assert connected.read_vat() == [2200, 700, 0, 10000, 25500, 25500, 25500]
    assert connected.set_vat([2300, 800, 500, 0, 10000, 25500, 25500]) == 7
    assert connected.read_vat() == [2300, 800, 500, 0, 10000, 25500, 25500]


def test_a_refusal_is_raised_with_its_code_and_polish_text(connected: sigra.Driver) -> None:
    connected.receipt_begin()
    connected.receipt_item("Bułka kajzerka", rate=1, quantity=1, price=60)
    connected.receipt_end()
    with pytest.raises(sigra.SigraError) as refused:
        connected.set_vat([2300, 800, 500, 0, 10000, 25500, 25500])
    assert refused.value.code == 218
    assert refused.value.function == "SetVAT"
    assert refused.value.message == "Niezerowy licznik paragonów. Należy wykonać raport dobowy."
    assert str(refused.value) == (
        "SetVAT: 218 Niezerowy licznik paragonów. Należy wykonać raport dobowy.")


def test_paper_taken_mid_receipt_raises_the_paper_code_and_the_receipt_goes_on(
        connected: sigra.Driver, printer) -> None:
    connected.receipt_begin()
    connected.receipt_item("Chleb razowy 500g", rate=1, quantity=2, price=450)
    assert printer.control("paper out") == "ok"
    with pytest.raises(sigra.SigraError) as no_paper:
        connected.receipt_end()
    assert no_paper.value.code == 109
    assert no_paper.value.message == (
        "Brak papieru lub podniesiona głowica mechanizmu drukującego.")
    assert printer.control("paper in") == "ok"
    connected.print_resume()
    assert connected.receipt_number() == 1
    assert "printout finished" in printer.journal()


def test_texts_the_printer_cannot_take_are_refused_before_anything_is_sent(
        connected: sigra.Driver, printer) -> None:
    before = printer.journal()
    with pytest.raises(ValueError, match="Windows-1250 lacks"):
        connected.receipt_item("Sushi 寿司", rate=1, quantity=1, price=100)
    with pytest.raises(OverflowError):
        connected.receipt_item("Chleb razowy", rate=1, quantity=2**31, price=100)
    assert printer.journal() == before


def test_raw_sequences_buffers_and_fixed_texts(connected: sigra.Driver) -> None:
    assert connected.rs_sequence(255, 2) == bytes([0x2C])
    assert connected.device_name() == "Nowa drukarka fiskalna"
    assert connected.read_unique_number() == "ABC12345678"
    assert connected.read_clock() == "24.05.17;14:05"
    assert connected.printer_number() == (1, "  ")
    assert connected.dll_version() == "10.00"
    assert connected.chars_in_article_name("Chleb razowy") == 11
    assert connected.err_message(0) == ""
    # Several lines, CR-separated in the driver, come as lines.
    assert connected.err_message(21).startswith(
        "TIMEOUT ODBIERANIA: Komputer nie potrafi odebrać informacji z drukarki fiskalnej \n\n")


def test_no_printer_is_a_timeout(driver: sigra.Driver, printer) -> None:
    assert printer.control("power off") == "ok"
    with pytest.raises(sigra.SigraError) as silent:
        driver.communication_init(1, 9600, 1)
    assert silent.value.code == 21


_BREAD = sigra.Item("Chleb razowy 500g", rate=1, quantity=2, price=450)


def test_a_sale_gives_its_receipt_number(connected: sigra.Driver, printer) -> None:
    assert connected.sell([_BREAD], payments=[("Gotówka", 1000, 100)],
                          lines=[(0, "Dziękujemy")]) == 1
    assert connected.sell([sigra.Item("Bułka kajzerka", rate=1, quantity=1, price=60)]) == 2
    assert "| SUMA PLN                            9,00" in printer.journal()


@pytest.mark.parametrize("point, fiscalised", [
    ("before-end", False), ("after-ack", True), ("printing", True)])
def test_a_sale_cut_by_a_power_loss_says_whether_it_was_fiscalised(
        connected: sigra.Driver, printer, point: str, fiscalised: bool) -> None:
    assert printer.control(f"cut {point} 300") == "ok"
    with pytest.raises(sigra.SaleError) as cut:
        connected.sell([_BREAD])
    assert cut.value.code == 21
    assert cut.value.fiscalised is fiscalised
    assert cut.value.receipt == (1 if fiscalised else None)
    assert str(cut.value).endswith(
        "the receipt was fiscalised as number 1" if fiscalised
        else "the receipt was not fiscalised")
    # The till sells on; a receipt not fiscalised was cancelled, not kept.
    assert connected.sell([_BREAD]) == (2 if fiscalised else 1)
    assert connected.receipt_number() == (2 if fiscalised else 1)


def test_a_printer_that_stays_off_leaves_the_outcome_unknown(
        connected: sigra.Driver, printer) -> None:
    assert printer.control("cut after-ack") == "ok"
    with pytest.raises(sigra.SaleError) as cut:
        connected.sell([_BREAD], reconnect_seconds=0)
    assert cut.value.fiscalised is None
    assert "fiscalised or not is unknown" in str(cut.value)
    assert printer.control("power on") == "ok"
    connected.communication_init(1, 9600, 2)
    assert connected.receipt_number() == 1


def test_a_sale_with_a_text_the_printer_cannot_take_sends_nothing(
        connected: sigra.Driver, printer) -> None:
    before = printer.journal()
    with pytest.raises(ValueError):
        connected.sell([sigra.Item("Chleb 🍞", rate=1, quantity=1, price=100)])
    assert printer.journal() == before


def test_an_empty_sale_is_refused_before_anything_is_sent(
        connected: sigra.Driver, printer) -> None:
    before = printer.journal()
    with pytest.raises(ValueError, match="at least one item"):
        connected.sell([], payments=[("Gotówka", 1000, 0)])
    assert printer.journal() == before
    # Closed by hand, an empty receipt still ends without an error, and the
    # printer counts no receipt for it.
    connected.receipt_begin()
    connected.receipt_end()
    assert connected.receipt_number() == 0
    assert connected.sell([_BREAD]) == 1


def test_the_installed_module_carries_the_projects_version() -> None:
    cmake = Path(__file__).resolve().parents[2] / "CMakeLists.txt"
    text = cmake.read_text(encoding="utf-8")
    project = re.search(r"project\(\s*Sigra\s+VERSION\s+([0-9.]+)", text)
    assert project is not None
    assert importlib.metadata.version("sigra") == project.group(1)
