"""The Sigra fiscal printer driver (sigradrv) from Python.

`Driver` loads the driver library and offers its exported functions as
methods with Python names: ``CommunicationInit`` is ``communication_init``,
``pReceiptItem`` is ``receipt_item`` and so on. Texts are ``str``; the module
converts them to and from Windows-1250, the driver's code page, and refuses a
text that Windows-1250 cannot hold before anything is sent. Output buffers are
sized by the module. A non-zero result code is raised as `SigraError`, which
carries the code and the driver's Polish text for it.

The driver's state is process-wide: one connection, one open receipt. Calls
must not overlap; use one `Driver` from one thread at a time.

The C++ twins of the ``p`` functions (``DeviceName``, ``ReceiptItem``,
``ReadClock``...) take ``std::string`` and cannot be called from ctypes; each
is covered by the method of its ``p`` twin, and ``PrinterNumber``, which has no
``p`` twin, by `Driver.printer_number` over a raw sequence.
"""

from __future__ import annotations

import contextlib
import ctypes
import ctypes.util
import os
import sys
import time
from ctypes import POINTER, byref, c_char_p, c_int32, c_uint32, c_ubyte
from dataclasses import dataclass
from typing import Iterator, List, Optional, Sequence, Tuple

__all__ = ["Driver", "Item", "SaleError", "SigraError", "find_library"]

_CODE_PAGE = "cp1250"

# Room the driver needs in each output buffer, as its interface states.
_MESSAGE_BYTES = 622
_DEVICE_NAME_BYTES = 34
_TOTAL_BYTES = 14
_CLOCK_BYTES = 15
_UNIQUE_NUMBER_BYTES = 12
_VERSION_BYTES = 6
_BLOCK_BYTES = 256

_INT32 = (-(2**31), 2**31 - 1)
_UINT32 = (0, 2**32 - 1)

_PRINTER_NUMBER_COMMAND = 216


def _text(raw: bytes) -> str:
    """A driver text in Python: Windows-1250 decoded, CR line breaks made \\n."""
    text = raw.split(b"\0", 1)[0].decode(_CODE_PAGE, errors="replace")
    return text.replace("\r\n", "\n").replace("\r", "\n")


def _bytes(text: str, what: str) -> bytes:
    try:
        return text.encode(_CODE_PAGE)
    except UnicodeEncodeError as error:
        raise ValueError(
            f"{what} {text!r} has a character Windows-1250 lacks: {text[error.start]!r}"
        ) from None


def _checked(value: int, what: str, limits: Tuple[int, int] = _INT32) -> int:
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    if not limits[0] <= value <= limits[1]:
        raise OverflowError(f"{what} {value} does not fit the driver's {limits} range")
    return value


class SigraError(Exception):
    """A driver function returned a result code other than 0."""

    def __init__(self, function: str, code: int, message: str) -> None:
        super().__init__(f"{function}: {code} {message}")
        self.function = function
        self.code = code
        self.message = message


class SaleError(SigraError):
    """A sale that failed part-way, with what the printer's receipt counter
    says about its receipt: `fiscalised` True (the printer closed it, and
    `receipt` is its number in the fiscal day: do not sell it again), False
    (not fiscalised, and no receipt is left open: it may be sold again), or
    None (the printer did not come back in time: ask `receipt_number` later
    and do not sell again before)."""

    def __init__(self, failure: SigraError, fiscalised: Optional[bool],
                 receipt: Optional[int]) -> None:
        super().__init__(failure.function, failure.code, failure.message)
        self.fiscalised = fiscalised
        self.receipt = receipt
        if fiscalised is None:
            outcome = "the printer did not come back: fiscalised or not is unknown"
        elif fiscalised:
            outcome = f"the receipt was fiscalised as number {receipt}"
        else:
            outcome = "the receipt was not fiscalised"
        self.args = (f"{failure}; {outcome}",)


@dataclass(frozen=True)
class Item:
    """A sale line of `Driver.sell`: rate 1..7 (A..G), quantity with
    `decimals` implied decimal places, unit price in grosze."""

    name: str
    rate: int
    quantity: int
    price: int
    decimals: int = 0
    unit: str = "szt"


def find_library() -> str:
    """The driver library to load: $SIGRA_LIBRARY, else the installed one."""
    explicit = os.environ.get("SIGRA_LIBRARY")
    if explicit:
        return explicit
    if sys.platform == "win32":
        return "sigradrv.dll"
    return ctypes.util.find_library("sigradrv") or "libsigradrv.so.1"


# Argument types of the 39 C functions; all of them return a 32-bit code.
_I = c_int32
_U = c_uint32
_S = c_char_p
_PI = POINTER(c_int32)
_PU = POINTER(c_uint32)
_PB = POINTER(c_ubyte)
_SIGNATURES = {
    "CommunicationInit": [_I, _I, _I],
    "CommunicationEnd": [],
    "pDeviceName": [_S],
    "PrintControl": [_I, _I],
    "PrintResume": [],
    "OpenPort": [_I, _I, _I, _I],
    "ClosePort": [],
    "RSSequence": [_I, _I, _I, _PB, _PB],
    "pErrMessage": [_I, _S],
    "ReadVAT": [_PI] + [_PU] * 7,
    "SetVAT": [_PI] + [_U] * 7,
    "ReceiptConditions": [],
    "ReceiptBegin": [],
    "pCharsInArticleName": [_S],
    "pReceiptItem": [_I, _S, _U, _I, _I, _I, _S, _I, _PI],
    "PackageItem": [_I, _I, _I, _I],
    "PrintSubtotal": [],
    "pFillPayment": [_I, _S, _I, _I],
    "ErasePayments": [],
    "pFillLines": [_I, _S, _PI],
    "EraseLines": [],
    "ReceiptEnd": [_U],
    "ReceiptCancel": [],
    "pReadTotal": [_S],
    "pReadSelTotal": [_S, _S],
    "DailyReport": [_I],
    "LockedArticlesReport": [],
    "PrinterStatusReport": [],
    "PeriodReport": [_I] * 7,
    "MonthlyReport": [_I, _I, _I],
    "NumberReport": [_I, _I, _I],
    "pReadClock": [_S],
    "ReceiptNumber": [_PI],
    "DailyReportNumber": [_PI],
    "pReadUniqueNumber": [_S],
    "WriteLineFeed": [_I],
    "OpenDrawer": [_I],
    "pDllVersion": [_S],
    "pDllAuthor": [_S],
}


class Driver:
    """The driver library, loaded once; its functions as methods."""

    def __init__(self, library: Optional[str] = None) -> None:
        path = library or find_library()
        # The 32-bit Windows DLL uses the standard calling convention.
        if sys.platform == "win32":
            self._lib = ctypes.WinDLL(path)  # type: ignore[attr-defined]
        else:
            self._lib = ctypes.CDLL(path)
        for name, argtypes in _SIGNATURES.items():
            function = getattr(self._lib, name)
            function.argtypes = argtypes
            function.restype = c_int32
        # The last successful communication_init, for sell to connect again.
        self._connection: Optional[Tuple[int, int, int]] = None

    # Result codes.

    def err_message(self, code: int) -> str:
        """The Polish text of a result code ("" for 0)."""
        buffer = ctypes.create_string_buffer(_MESSAGE_BYTES)
        self._lib.pErrMessage(_checked(code, "code"), buffer)
        return _text(buffer.raw)

    def _call(self, name: str, *args: object) -> int:
        code = getattr(self._lib, name)(*args)
        if code != 0:
            raise SigraError(name, code, self.err_message(code))
        return 0

    # Connection and raw access.

    def communication_init(self, port: int, baud: int = 9600, timeout: int = 5) -> None:
        """Opens the connection to the printer on COM<port> and identifies it."""
        self._call(
            "CommunicationInit",
            _checked(port, "port"),
            _checked(baud, "baud"),
            _checked(timeout, "timeout"),
        )
        self._connection = (port, baud, timeout)

    def communication_end(self) -> None:
        self._call("CommunicationEnd")

    @contextlib.contextmanager
    def connection(self, port: int, baud: int = 9600, timeout: int = 5) -> Iterator["Driver"]:
        """communication_init, then communication_end however the block ends."""
        self.communication_init(port, baud, timeout)
        try:
            yield self
        finally:
            self._lib.CommunicationEnd()

    def open_port(
        self, port: int, baud: int = 9600, write_seconds: int = 5, read_seconds: int = 5
    ) -> None:
        """Opens the port alone, for rs_sequence."""
        self._call(
            "OpenPort",
            _checked(port, "port"),
            _checked(baud, "baud"),
            _checked(write_seconds, "write_seconds"),
            _checked(read_seconds, "read_seconds"),
        )

    def close_port(self) -> None:
        self._call("ClosePort")

    def rs_sequence(self, command: int, answer_length: int, data: bytes = b"") -> bytes:
        """One command sequence: ESC, the command byte, answer_length answer
        bytes (the acknowledgement counted), then the data bytes. Gives the
        answer bytes after the acknowledgement; for a one-byte answer the
        byte itself."""
        _checked(command, "command", (0, 255))
        _checked(answer_length, "answer_length", (0, 255))
        if len(data) > _BLOCK_BYTES:
            raise ValueError(f"at most {_BLOCK_BYTES} data bytes, not {len(data)}")
        answer = (c_ubyte * _BLOCK_BYTES)()
        block = (c_ubyte * _BLOCK_BYTES).from_buffer_copy(bytes(data).ljust(_BLOCK_BYTES, b"\0"))
        self._call("RSSequence", command, answer_length, len(data), answer, block)
        count = answer_length - 1 if answer_length > 1 else answer_length
        return bytes(answer[:count])

    def device_name(self) -> str:
        buffer = ctypes.create_string_buffer(_DEVICE_NAME_BYTES)
        self._call("pDeviceName", buffer)
        return _text(buffer.raw)

    def print_control(self, mode: int, device_type: int) -> None:
        """Waits for the printout (mode 0 printing, 1 checking)."""
        self._call("PrintControl", _checked(mode, "mode"), _checked(device_type, "device_type"))

    def print_resume(self) -> None:
        """Resumes a printout stopped for lack of paper once paper is back."""
        self._call("PrintResume")

    # Receipts.

    def receipt_conditions(self) -> None:
        self._call("ReceiptConditions")

    def receipt_begin(self) -> None:
        self._call("ReceiptBegin")

    def chars_in_article_name(self, name: str) -> int:
        """How many of the first 28 characters of name are significant."""
        return int(self._lib.pCharsInArticleName(_bytes(name, "name")))

    def receipt_item(
        self,
        name: str,
        rate: int,
        quantity: int,
        price: int,
        decimals: int = 0,
        unit: str = "szt",
        value: int = 0,
        sale: bool = True,
        message: int = 0,
    ) -> int:
        """A sale line (or a voided one with sale=False): rate 1..7 (A..G),
        quantity with `decimals` implied decimal places, unit price in grosze.
        Gives the line's value; value 0 has the driver compute it."""
        result = c_int32(_checked(value, "value"))
        self._call(
            "pReceiptItem",
            1 if sale else 0,
            _bytes(name, "name"),
            _checked(rate, "rate", _UINT32),
            _checked(message, "message"),
            _checked(quantity, "quantity"),
            _checked(decimals, "decimals"),
            _bytes(unit, "unit"),
            _checked(price, "price"),
            byref(result),
        )
        return result.value

    def package_item(self, param: int, number: int, quantity: int, amount: int) -> None:
        self._call(
            "PackageItem",
            _checked(param, "param"),
            _checked(number, "number"),
            _checked(quantity, "quantity"),
            _checked(amount, "amount"),
        )

    def print_subtotal(self) -> None:
        self._call("PrintSubtotal")

    def fill_payment(self, number: int, name: str, first_amount: int, second_amount: int) -> None:
        self._call(
            "pFillPayment",
            _checked(number, "number"),
            _bytes(name, "name"),
            _checked(first_amount, "first_amount"),
            _checked(second_amount, "second_amount"),
        )

    def erase_payments(self) -> None:
        self._call("ErasePayments")

    def fill_lines(self, line_type: int, text: str) -> int:
        """One line after the receipt; gives the entries still free."""
        free = c_int32(0)
        self._call(
            "pFillLines", _checked(line_type, "line_type"), _bytes(text, "text"), byref(free)
        )
        return free.value

    def erase_lines(self) -> None:
        self._call("EraseLines")

    def receipt_end(self, discount: int = 0) -> None:
        """Closes the receipt, discount percent off each rate's total."""
        self._call("ReceiptEnd", _checked(discount, "discount", _UINT32))

    def receipt_cancel(self) -> None:
        self._call("ReceiptCancel")

    def sell(
        self,
        items: Sequence[Item],
        discount: int = 0,
        payments: Sequence[Tuple[str, int, int]] = (),
        lines: Sequence[Tuple[int, str]] = (),
        reconnect_seconds: float = 30,
    ) -> int:
        """Prints one receipt and gives its number in the fiscal day.

        Payments are (name, paid, change) for entries 1 to 4, lines (type,
        text) printed after the receipt. When a step fails after the receipt
        counter was read, the sale connects again (communication_init with the
        last port, speed and timeout, retried for up to `reconnect_seconds`),
        reads the counter again and raises `SaleError`, which says whether the
        receipt was fiscalised: the till follows it and never sells twice.
        Texts and numbers are checked before anything is sent, and a receipt
        without items is refused with ValueError: the printer fiscalises
        nothing for it, and no receipt number could be given."""
        if self._connection is None:
            raise SigraError("sell", 99, self.err_message(99))
        if not items:
            raise ValueError("a receipt needs at least one item")
        for item in items:
            _bytes(item.name, "name")
            _bytes(item.unit, "unit")
            for value, what in ((item.rate, "rate"), (item.quantity, "quantity"),
                                (item.price, "price"), (item.decimals, "decimals")):
                _checked(value, what)
        for name, paid, change in payments:
            _bytes(name, "payment name")
            _checked(paid, "paid")
            _checked(change, "change")
        for line_type, text in lines:
            _checked(line_type, "line_type")
            _bytes(text, "line")
        _checked(discount, "discount", _UINT32)
        before = self.receipt_number()
        try:
            self.receipt_begin()
            for item in items:
                self.receipt_item(item.name, item.rate, item.quantity, item.price,
                                  decimals=item.decimals, unit=item.unit)
            for number, (name, paid, change) in enumerate(payments, start=1):
                self.fill_payment(number, name, paid, change)
            for line_type, text in lines:
                self.fill_lines(line_type, text)
            self.receipt_end(discount)
        except SigraError as failure:
            after = self._counter_again(reconnect_seconds)
            fiscalised = None if after is None else after == before + 1
            raise SaleError(failure, fiscalised, after if fiscalised else None) from failure
        return before + 1

    def _counter_again(self, seconds: float) -> Optional[int]:
        """The receipt counter over a new connection, or None when the
        printer cannot be reached within `seconds`."""
        assert self._connection is not None
        port, baud, timeout = self._connection
        deadline = time.monotonic() + seconds
        while True:
            if self._lib.CommunicationInit(port, baud, timeout) == 0:
                counter = c_int32(0)
                if self._lib.ReceiptNumber(byref(counter)) == 0:
                    return counter.value
            if time.monotonic() >= deadline:
                return None
            time.sleep(0.1)

    def read_total(self) -> int:
        """The fiscal day's total of all rates, in grosze."""
        buffer = ctypes.create_string_buffer(_TOTAL_BYTES)
        self._call("pReadTotal", buffer)
        return int(_text(buffer.raw))

    def read_sel_total(self, selection: str) -> int:
        """The day's total of rate "A".."G", or of all with "+"."""
        buffer = ctypes.create_string_buffer(_TOTAL_BYTES)
        self._call("pReadSelTotal", _bytes(selection, "selection"), buffer)
        return int(_text(buffer.raw))

    # Reports.

    def daily_report(self, allow_zero: bool = False) -> None:
        self._call("DailyReport", 1 if allow_zero else 0)

    def locked_articles_report(self) -> None:
        self._call("LockedArticlesReport")

    def printer_status_report(self) -> None:
        self._call("PrinterStatusReport")

    def period_report(
        self, detailed: bool, date_from: Tuple[int, int, int], date_to: Tuple[int, int, int]
    ) -> None:
        """By dates, each (year's last two digits, month, day)."""
        numbers = [_checked(n, "date") for n in (*date_from, *date_to)]
        self._call("PeriodReport", 1 if detailed else 0, *numbers)

    def monthly_report(self, detailed: bool, year: int, month: int) -> None:
        self._call(
            "MonthlyReport", 1 if detailed else 0, _checked(year, "year"), _checked(month, "month")
        )

    def number_report(self, detailed: bool, first: int, last: int) -> None:
        self._call(
            "NumberReport", 1 if detailed else 0, _checked(first, "first"), _checked(last, "last")
        )

    # Tax rates.

    def read_vat(self) -> List[int]:
        """The printer's tax rates A.. in hundredths of a percent (10000
        exempt, 25500 not defined), as many as it has."""
        count = c_int32(0)
        rates = [c_uint32(0) for _ in range(7)]
        self._call("ReadVAT", byref(count), *(byref(rate) for rate in rates))
        return [rate.value for rate in rates[: count.value]]

    def set_vat(self, rates: Sequence[int]) -> int:
        """Writes the rates (A first); gives how many the printer took."""
        if not 1 <= len(rates) <= 7:
            raise ValueError(f"1 to 7 rates, not {len(rates)}")
        values = [_checked(rate, "rate", _UINT32) for rate in rates]
        values += [25500] * (7 - len(values))
        count = c_int32(len(rates))
        self._call("SetVAT", byref(count), *values)
        return count.value

    # Clock and counters.

    def read_clock(self) -> str:
        """The clock as "24.05.17;14:05" (year, month, day; hour, minute)."""
        buffer = ctypes.create_string_buffer(_CLOCK_BYTES)
        self._call("pReadClock", buffer)
        return _text(buffer.raw)

    def receipt_number(self) -> int:
        counter = c_int32(0)
        self._call("ReceiptNumber", byref(counter))
        return counter.value

    def daily_report_number(self) -> int:
        counter = c_int32(0)
        self._call("DailyReportNumber", byref(counter))
        return counter.value

    def read_unique_number(self) -> str:
        buffer = ctypes.create_string_buffer(_UNIQUE_NUMBER_BYTES)
        self._call("pReadUniqueNumber", buffer)
        return _text(buffer.raw)

    def printer_number(self) -> Tuple[int, str]:
        """The register number and the operator code, on an open connection."""
        answer = self.rs_sequence(_PRINTER_NUMBER_COMMAND, 5)
        return (answer[0] - 48) * 10 + (answer[1] - 48), _text(answer[2:4])

    def write_line_feed(self, lines: int) -> None:
        self._call("WriteLineFeed", _checked(lines, "lines"))

    # Service.

    def open_drawer(self, drawer: int) -> None:
        self._call("OpenDrawer", _checked(drawer, "drawer"))

    def dll_version(self) -> str:
        buffer = ctypes.create_string_buffer(_VERSION_BYTES)
        self._call("pDllVersion", buffer)
        return _text(buffer.raw)

    def dll_author(self) -> str:
        buffer = ctypes.create_string_buffer(_VERSION_BYTES)
        self._call("pDllAuthor", buffer)
        return _text(buffer.raw)
