/* A point-of-sale program: connects to the printer on COM1, prints its name
 * and sells one receipt of two articles, a payment and a closing line.
 *
 *   cc pos.c $(pkg-config --cflags --libs sigradrv) -o pos */
#include <stdio.h>
#include "sigra/sigradrv.h"

/* Prints the text of a failed call and passes its result on. */
static int32_t Check(const char* what, int32_t result) {
  char text[622];
  if (result != 0 && pErrMessage(result, text) == 0) fprintf(stderr, "%s: %d %s\n", what, (int)result, text);
  return result;
}

int main(void) {
  char name[34];
  int32_t value, freeLines;

  /* COM1 at 9600 bit/s, 5 s write and read timeouts. */
  if (Check("CommunicationInit", CommunicationInit(1, 9600, 5)) != 0) return 1;
  if (pDeviceName(name) == 0) printf("printer: %s\n", name);

  if (Check("ReceiptBegin", ReceiptBegin()) == 0) {
    value = 0; /* 0: the driver computes 2 x 4.50 = 900 and writes it back */
    Check("item", pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value));
    value = 0; /* 1.500 (three decimal places) x 3.99 = 5.985, rounded to 599 */
    Check("item", pReceiptItem(1, "Mleko 3,2% 1l", 2, 0, 1500, 3, "l", 399, &value));
    Check("payment", pFillPayment(1, "Gotowka", 2000, 576));
    Check("line", pFillLines(0, "Dziekujemy za zakupy", &freeLines));
    Check("ReceiptEnd", ReceiptEnd(5)); /* 5 % off each rate's total, then the printout */
  }
  CommunicationEnd();
  return 0;
}
