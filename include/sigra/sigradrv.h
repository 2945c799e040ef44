/* Sigra fiscal printer driver: the C interface.
 *
 * Every function returns a 32-bit result code: 0 for success, otherwise a code
 * whose Polish text pErrMessage gives. Texts are Windows-1250, zero-terminated;
 * functions with the "p" prefix fill a caller buffer (no size argument) and
 * return 225 when the buffer is null. On 32-bit Windows the functions use the
 * standard calling convention and undecorated names.
 *
 * Threads: the calls are serialised. The driver runs one call at a time in the
 * whole process; a call made while another thread's call runs waits until that
 * one has ended, so the bytes of two calls never mix on the line. The one
 * exception to waiting: CommunicationEnd (and ClosePort) first aborts a call
 * running on another thread, which then ends at once with 20 or 21, and closes
 * the connection as soon as that call has ended. Serialising does not share a
 * receipt: the calls from ReceiptBegin to ReceiptEnd or ReceiptCancel, with
 * the payments and lines filled for that receipt, still belong to one caller,
 * since the driver cannot tell whose line a call brings. */
#ifndef SIGRA_SIGRADRV_H
#define SIGRA_SIGRADRV_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define SIGRA_CALL __stdcall
#else
#define SIGRA_CALL
#endif

#if defined(_WIN32)
#define SIGRA_API
#else
#define SIGRA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the connection: the port "COM<PortNumber>" at Baud bit/s, with
 * TimeoutSeconds for writing and reading; checks the printer and identifies it.
 * Call it before any command, and CommunicationEnd last.
 *
 * Baud is 9600, 19200 or 28800, the speeds the printers have; TimeoutSeconds
 * 0 to 65535. Anything else is refused with 215 at once, before the port is
 * touched: a connection already open stays as it was. A TimeoutSeconds of 0
 * means no waiting for the printer: a read takes only a byte the printer has
 * already sent and fails at once (21) without one, while a write waits without
 * limit; the printer needs a few milliseconds to answer, so use 1 or more. */
SIGRA_API int32_t SIGRA_CALL CommunicationInit(int32_t PortNumber, int32_t Baud,
                                               int32_t TimeoutSeconds);
SIGRA_API int32_t SIGRA_CALL CommunicationEnd(void);

/* The name of the connected device; Buffer must hold 34 bytes. For three
 * device types it is not the text the C++ DeviceName gives: pDeviceName names
 * a Luno "Nowa drukarka fiskalna", a Luno F "Nowa drukarka fiskalna
 * (apteczna)" and another device "INNE URZADZENIE" (without the Polish
 * letter), where DeviceName gives "VELMO LUNO", "VELMO LUNO F" and
 * "INNE URZĄDZENIE" (in Windows-1250); the other types have one name. */
SIGRA_API int32_t SIGRA_CALL pDeviceName(char* Buffer);

/* Waits for the printout to finish (Mode 0: printing, 1: checking), resuming a
 * printout stopped for lack of paper. DeviceType as identified (0..9). */
SIGRA_API int32_t SIGRA_CALL PrintControl(int32_t Mode, int32_t DeviceType);
/* Resumes a printout stopped for lack of paper once paper is back. */
SIGRA_API int32_t SIGRA_CALL PrintResume(void);

/* Raw access: opens the port "COM<PortNumber>" with the line speed and the write
 * and read timeouts in seconds. Returns 5 while a port is already open. */
SIGRA_API int32_t SIGRA_CALL OpenPort(int32_t PortNumber, int32_t Baud, int32_t WriteSeconds,
                                      int32_t ReadSeconds);
SIGRA_API int32_t SIGRA_CALL ClosePort(void);

/* One command sequence: ESC, the command byte, AnswerLength answer bytes (the
 * acknowledgement included), then DataLength bytes of Data. Answer (256 bytes)
 * receives the answer bytes that follow the acknowledgement; Data is read as 256
 * bytes. */
SIGRA_API int32_t SIGRA_CALL RSSequence(int32_t Cmd, int32_t AnswerLength, int32_t DataLength,
                                        unsigned char* Answer, const unsigned char* Data);

/* The Polish text of a result code; Buffer must hold 622 bytes. */
SIGRA_API int32_t SIGRA_CALL pErrMessage(int32_t Code, char* Buffer);

/* Tax rates A to G in hundredths of a percent (2200 = 22 %), 10000 for the
 * exempt rate and 25500 for a rate that is not defined. Count tells how many
 * rates the printer has (4, 6 or 7); only that many are written. All eight
 * pointers must be given (225 otherwise). 200 while a receipt is open. */
SIGRA_API int32_t SIGRA_CALL ReadVAT(int32_t* Count, uint32_t* RateA, uint32_t* RateB,
                                     uint32_t* RateC, uint32_t* RateD, uint32_t* RateE,
                                     uint32_t* RateF, uint32_t* RateG);
/* Writes the first Count rates (set to 4, 6 or 7, as the printer has), only
 * while no receipt was issued in the fiscal day (218 otherwise), and reads
 * them back: 217 when the printer kept other values (a four-rate printer keeps
 * whole percents only). */
SIGRA_API int32_t SIGRA_CALL SetVAT(int32_t* Count, uint32_t RateA, uint32_t RateB, uint32_t RateC,
                                    uint32_t RateD, uint32_t RateE, uint32_t RateF, uint32_t RateG);

/* A receipt:
 *
 *   int32_t value, freeLines;
 *   CommunicationInit(1, 9600, 5);
 *   if (ReceiptBegin() == 0) {
 *     value = 0;  (0: the driver computes 2 x 4.50 and writes back 900)
 *     pReceiptItem(1, "Chleb razowy 500g", 1, 0, 2, 0, "szt", 450, &value);
 *     value = 0;  (a quantity of 1.5 with three decimal places: 599)
 *     pReceiptItem(1, "Mleko 3,2% 1l", 2, 0, 1500, 3, "l", 399, &value);
 *     pFillPayment(1, "Gotowka", 2000, 576);
 *     pFillLines(0, "Dziekujemy za zakupy", &freeLines);
 *     ReceiptEnd(5);  (5 % off each rate's total: 855 + 569)
 *   }
 *   CommunicationEnd();
 *
 * Amounts are in the printer's money unit (grosze); rates are 1 to 7 (A to G).
 * Between ReceiptBegin and ReceiptEnd or ReceiptCancel most other functions
 * answer 200; without an open receipt the receipt functions answer 201, and
 * 210 when the printer has cancelled the receipt (the call whose line made it
 * cancel the receipt answers 210 itself). A receipt that ends without being
 * printed (ReceiptCancel, or any 210) empties the payments and the lines after
 * the receipt filled for it: fill them again for the next receipt. */

/* Whether a receipt could be opened now (the printer's state, its tax rates,
 * paper); prints nothing. */
SIGRA_API int32_t SIGRA_CALL ReceiptConditions(void);
SIGRA_API int32_t SIGRA_CALL ReceiptBegin(void);
/* How many of the first 28 characters of an article name are significant
 * (digits, letters, % , . / and backslash); 225 for a null Nazwa. */
SIGRA_API int32_t SIGRA_CALL pCharsInArticleName(const char* Nazwa);
/* A sale line (Sale 1) or a voided line (any other Sale): the first 28
 * characters of Nazwa and 4 of Jedn, tax rate Stawka 1..7, Ilosc with MP (0..4)
 * decimal places, unit price Cena. *Wartosc is the line's value; 0 asks the
 * driver to compute it, rounded half up, and write it back (227 when the value
 * exceeds a 32-bit amount).
 * A line the printer would not take is refused before anything is sent, and
 * the receipt stays open for a corrected line: 215 for Stawka outside 1..7,
 * Ilosc or Cena 0 or below, or a sale line that would take its rate's total or
 * the receipt's total past 2147483647; 206 for MP outside 0..4; 202 when Nazwa
 * has fewer significant characters than the model needs (10, or 5 on device
 * types 3, 7, 8 and 9). The printer judges the rest
 * (a rate it has not defined, a given *Wartosc that is not Ilosc x Cena, a
 * void beyond the sales of its rate) and cancels the whole receipt: then this
 * call answers 210. */
SIGRA_API int32_t SIGRA_CALL pReceiptItem(int32_t Sale, const char* Nazwa, uint32_t Stawka,
                                          int32_t Komunikat, int32_t Ilosc, int32_t MP,
                                          const char* Jedn, int32_t Cena, int32_t* Wartosc);
/* A returnable-package line, Param 0..3 (214 otherwise); Number and Quantity
 * are taken as 16-bit numbers. 213 on models without package lines. */
SIGRA_API int32_t SIGRA_CALL PackageItem(int32_t Param, int32_t Number, int32_t Quantity,
                                         int32_t Amount);
/* Prints the subtotal; 213 on models without it. */
SIGRA_API int32_t SIGRA_CALL PrintSubtotal(void);

/* Payment entry Number 1..4 (215 otherwise): a name of 13 characters (cut or
 * padded with spaces) and two amounts of 0 or more (215 for a negative one),
 * sent by ReceiptEnd on the models that take payments; the printer is not
 * contacted here. Entries filled before ReceiptBegin go with that receipt;
 * a receipt that ends unprinted empties them. */
SIGRA_API int32_t SIGRA_CALL pFillPayment(int32_t Number, const char* Name, int32_t FirstAmount,
                                          int32_t SecondAmount);
SIGRA_API int32_t SIGRA_CALL ErasePayments(void);
/* One of six lines printed after the receipt, LineType 0..15 (215 otherwise),
 * Text of up to 253 characters (longer ones are cut). *FreeLines receives the
 * entries still free; 216 when all six were taken. Like the payments, the
 * lines go with the next receipt printed and are emptied by one that ends
 * unprinted. */
SIGRA_API int32_t SIGRA_CALL pFillLines(int32_t LineType, const char* Text, int32_t* FreeLines);
SIGRA_API int32_t SIGRA_CALL EraseLines(void);
/* Closes the receipt with a Discount of 1..99 percent on each rate's total
 * (other values: none), sends the payments and the lines after the receipt,
 * and waits for the printout. */
SIGRA_API int32_t SIGRA_CALL ReceiptEnd(uint32_t Discount);
/* Cancels the open receipt (the printer prints it as cancelled) and empties
 * the payments and the lines after the receipt. */
SIGRA_API int32_t SIGRA_CALL ReceiptCancel(void);

/* The fiscal day's total of all rates in decimal digits (Total must hold 14
 * bytes); 224 on models without day totals. */
SIGRA_API int32_t SIGRA_CALL pReadTotal(char* Total);
/* The day's total of one rate, Selection "A" to "G" (226 when that rate is not
 * defined), or of all rates with "+"; 223 for any other Selection. */
SIGRA_API int32_t SIGRA_CALL pReadSelTotal(const char* Selection, char* Total);

/* Reports. Each waits for a pending printout, prints and waits for its own
 * printout; 200 while a receipt is open.
 *
 * The daily report closes the fiscal day. With AllowZero 0, and on the TX350
 * models always, a day without receipts is refused with 211. */
SIGRA_API int32_t SIGRA_CALL DailyReport(int32_t AllowZero);
SIGRA_API int32_t SIGRA_CALL LockedArticlesReport(void);
SIGRA_API int32_t SIGRA_CALL PrinterStatusReport(void);
/* Periodic reports from the fiscal memory, detailed (Detailed 1) or short
 * (Detailed 0; other values: 215). Years are given by their last two digits.
 * While the printer searches its memory the port waits up to 90 seconds for
 * its answer.
 *
 * By dates, on every model: years 1..99, months 1..12, days 1..31 (215
 * otherwise). */
SIGRA_API int32_t SIGRA_CALL PeriodReport(int32_t Detailed, int32_t YearFrom, int32_t MonthFrom,
                                          int32_t DayFrom, int32_t YearTo, int32_t MonthTo,
                                          int32_t DayTo);
/* Monthly and by daily-report numbers (16 bits each), on the second-generation
 * Sigra, Sigra F and Luno models (224 on the others). The printer refuses a
 * range with 219 (dates), 220 (no reports), 221 (numbers), 222 (month not
 * ended) or 223. */
SIGRA_API int32_t SIGRA_CALL MonthlyReport(int32_t Detailed, int32_t Year, int32_t Month);
SIGRA_API int32_t SIGRA_CALL NumberReport(int32_t Detailed, int32_t FromNumber, int32_t ToNumber);

/* The printer's clock as "03.05.17;14:05" (Buffer must hold 15 bytes). */
SIGRA_API int32_t SIGRA_CALL pReadClock(char* Buffer);
/* The number of receipts issued in the current fiscal day. */
SIGRA_API int32_t SIGRA_CALL ReceiptNumber(int32_t* Counter);
/* The number of daily reports made. */
SIGRA_API int32_t SIGRA_CALL DailyReportNumber(int32_t* Counter);
/* The printer's unique number, 11 characters (Buffer must hold 12 bytes). */
SIGRA_API int32_t SIGRA_CALL pReadUniqueNumber(char* Buffer);
/* Lines of paper fed out after each printout (the low byte of Lines). */
SIGRA_API int32_t SIGRA_CALL WriteLineFeed(int32_t Lines);

/* Opens cash drawer 1, 2 or 3 (212 for another number). */
SIGRA_API int32_t SIGRA_CALL OpenDrawer(int32_t DrawerNumber);
/* The driver's version, "10.00"; Buffer must hold 6 bytes. */
SIGRA_API int32_t SIGRA_CALL pDllVersion(char* Buffer);
/* The driver's author, "VELMO"; Buffer must hold 6 bytes. */
SIGRA_API int32_t SIGRA_CALL pDllAuthor(char* Buffer);

#ifdef __cplusplus
}
#endif

#endif
