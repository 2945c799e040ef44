/* A sale that is never printed twice: the printer's receipt counter, read
 * before the receipt and again after a failure, tells whether the printer
 * fiscalised it.
 *
 *   sell [PRICE]     (grosze, default 450; the printer on COM1 at 9600 bit/s)
 *
 * Exit status 0: fiscalised; 1: not fiscalised, the till may sell again;
 * 2: the printer did not come back, do not sell again before it tells;
 * 3: no connection. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include "sigra/sigradrv.h"

enum Outcome { FISCALISED, NOT_FISCALISED, UNKNOWN };

/* Sells one article and says whether the printer fiscalised the receipt;
   *number is then the receipt's number in the fiscal day. UNKNOWN: the
   printer could not be reached again within `seconds`; ask it later with
   ReceiptNumber, and do not sell again before. */
static enum Outcome Sell(uint8_t port, int32_t speed, int32_t timeout, const char* name,
                         int32_t price, int seconds, int32_t* number) {
  int32_t before, after, value = 0, result;
  time_t deadline;

  if (ReceiptNumber(&before) != 0) return NOT_FISCALISED; /* nothing begun */
  result = ReceiptBegin();
  if (result == 0) result = pReceiptItem(1, name, 1, 0, 1, 0, "szt", price, &value);
  if (result == 0) result = ReceiptEnd(0);
  if (result == 0) {
    *number = before + 1;
    return FISCALISED;
  }
  fprintf(stderr, "sale failed with %d; asking the printer\n", (int)result);
  deadline = time(NULL) + seconds;
  do {
    if (CommunicationInit(port, speed, timeout) == 0 && ReceiptNumber(&after) == 0) {
      *number = after;
      return after == before + 1 ? FISCALISED : NOT_FISCALISED;
    }
  } while (time(NULL) < deadline);
  return UNKNOWN;
}

int main(int argc, char** argv) {
  int32_t number = 0;
  int32_t price = argc > 1 ? atoi(argv[1]) : 450;
  enum Outcome outcome;

  if (CommunicationInit(1, 9600, 5) != 0) return 3;
  outcome = Sell(1, 9600, 5, "Chleb razowy 500g", price, 30, &number);
  CommunicationEnd();
  switch (outcome) {
    case FISCALISED:
      printf("fiscalised: receipt %d\n", (int)number);
      return 0;
    case NOT_FISCALISED:
      printf("not fiscalised\n");
      return 1;
    default:
      printf("unknown: the printer did not come back\n");
      return 2;
  }
}
