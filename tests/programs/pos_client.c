/* pos_client: talks to a fiscal printer through the driver the way a
 * point-of-sale program does, and prints each call with its result.
 *
 *   pos_client PORT [MISSING_PORT]
 *
 * PORT is the COM port number of the printer; MISSING_PORT (default 99) a
 * port number with nothing behind it, to show how a failure reads. Texts the
 * driver returns are Windows-1250 and are printed as they are. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sigra/sigradrv.h"

enum { kBaud = 9600, kTimeoutSeconds = 3, kConnectionCheck = 35, kDeviceTypeQuery = 255 };

static int32_t Step(const char* what, int32_t result) {
  printf("%s: %d\n", what, (int)result);
  return result;
}

/* Raw access: one command sequence at a time on a port the program opens. */
static void RawAccess(int32_t port) {
  unsigned char answer[256];

  Step("OpenPort", OpenPort(port, kBaud, kTimeoutSeconds, 1));
  Step("RSSequence connection check", RSSequence(kConnectionCheck, 1, 0, answer, NULL));
  memset(answer, 0, sizeof answer);
  if (Step("RSSequence device type query", RSSequence(kDeviceTypeQuery, 2, 0, answer, NULL)) == 0) {
    printf("device type code: 0x%02X\n", answer[0]);
  }
  /* The printer answers the check with one byte; waiting for three runs into
   * the read timeout (1 s), after which the port must work as before. */
  Step("RSSequence connection check, 3 answer bytes awaited",
       RSSequence(kConnectionCheck, 3, 0, answer, NULL));
  Step("RSSequence connection check after the timeout",
       RSSequence(kConnectionCheck, 1, 0, answer, NULL));
  Step("ClosePort", ClosePort());

  /* A read timeout of 0 s returns at once with what has arrived. */
  Step("OpenPort, read timeout 0 s", OpenPort(port, kBaud, kTimeoutSeconds, 0));
  Step("RSSequence connection check, 2 answer bytes awaited",
       RSSequence(kConnectionCheck, 2, 0, answer, NULL));
  Step("ClosePort", ClosePort());
}

static void TaxRates(void) {
  int32_t count = 0;
  uint32_t rates[7] = {0};
  int i;

  if (Step("ReadVAT", ReadVAT(&count, &rates[0], &rates[1], &rates[2], &rates[3], &rates[4],
                              &rates[5], &rates[6])) != 0) {
    return;
  }
  printf("tax rates (%d):", (int)count);
  for (i = 0; i < count && i < 7; ++i) printf(" %c=%u", 'A' + i, (unsigned)rates[i]);
  printf("\n");
}

/* Two sale lines whose values the driver computes, a cash payment, a line
 * after the receipt, and the day's total afterwards. */
static void Receipt(void) {
  int32_t value;
  int32_t freeLines = 0;
  char total[14];

  if (Step("ReceiptBegin", ReceiptBegin()) != 0) return;
  value = 0;
  Step("pReceiptItem bread, 2 x 4.50",
       pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value));
  printf("line value: %d\n", (int)value);
  value = 0;
  Step("pReceiptItem milk, 1.5 x 3.99",
       pReceiptItem(1, "Mleko 3,2% 1l", 1, 0, 1500, 3, "l", 399, &value));
  printf("line value: %d\n", (int)value);
  Step("pFillPayment cash", pFillPayment(1, "Gotowka", 2000, 501));
  Step("pFillLines", pFillLines(0, "Dziekujemy za zakupy", &freeLines));
  printf("free lines: %d\n", (int)freeLines);
  Step("ReceiptEnd", ReceiptEnd(0));
  if (Step("pReadTotal", pReadTotal(total)) == 0) printf("day total: %s\n", total);
}

/* A session of a point-of-sale program: open, identify, tax rates, a
 * receipt, close. */
static void Session(int32_t port) {
  char name[64];

  if (Step("CommunicationInit", CommunicationInit(port, kBaud, kTimeoutSeconds)) != 0) return;
  if (Step("pDeviceName", pDeviceName(name)) == 0) printf("device: %s\n", name);
  TaxRates();
  Receipt();
  Step("CommunicationEnd", CommunicationEnd());
}

static void Failure(int32_t missingPort) {
  char text[622];
  int32_t result = Step("CommunicationInit on a port with nothing behind it",
                        CommunicationInit(missingPort, kBaud, kTimeoutSeconds));
  if (pErrMessage(result, text) == 0) printf("error text: %s\n", text);
}

int main(int argc, char** argv) {
  int32_t port;
  int32_t missingPort = 99;
  if (argc < 2 || argc > 3 || (port = atoi(argv[1])) <= 0 ||
      (argc == 3 && (missingPort = atoi(argv[2])) <= 0)) {
    fprintf(stderr, "usage: pos_client PORT [MISSING_PORT]\n");
    return 2;
  }
  RawAccess(port);
  Session(port);
  Failure(missingPort);
  return 0;
}
