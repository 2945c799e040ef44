"""A sale that is never printed twice, in Python: Driver.sell reads the
receipt counter before the receipt and, when a step fails, again over a new
connection, and says whether the printer fiscalised the receipt.

    python3 sell.py [PRICE]    (grosze, default 450; the printer on COM1 at 9600 bit/s)

Exit status 0: fiscalised; 1: not fiscalised, the till may sell again;
2: the printer did not come back, do not sell again before it tells;
3: no connection, nothing sold."""

import sys

import sigra

price = int(sys.argv[1]) if len(sys.argv) > 1 else 450
driver = sigra.Driver()
try:
    with driver.connection(port=1, baud=9600, timeout=5):
        number = driver.sell([sigra.Item("Chleb razowy 500g", rate=1, quantity=1, price=price)],
                             reconnect_seconds=30)
    print(f"fiscalised: receipt {number}")
except sigra.SaleError as failed:
    print(f"sale failed with {failed.code}; asked the printer", file=sys.stderr)
    if failed.fiscalised:
        print(f"fiscalised: receipt {failed.receipt}")
    elif failed.fiscalised is False:
        print("not fiscalised")
        sys.exit(1)
    else:
        print("unknown: the printer did not come back")
        sys.exit(2)
except sigra.SigraError as failure:
    print(f"no sale: {failure}", file=sys.stderr)
    sys.exit(3)
