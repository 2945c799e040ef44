/* Sigra fiscal printer driver: the C interface.
 *
 * Every function returns a 32-bit result code: 0 for success, otherwise a code
 * whose Polish text pErrMessage gives. Texts are Windows-1250, zero-terminated;
 * functions with the "p" prefix fill a caller buffer (no size argument) and
 * return 225 when the buffer is null. On 32-bit Windows the functions use the
 * standard calling convention and undecorated names. */
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
 * Call it before any command, and CommunicationEnd last. */
SIGRA_API int32_t SIGRA_CALL CommunicationInit(int32_t PortNumber, int32_t Baud,
                                               int32_t TimeoutSeconds);
SIGRA_API int32_t SIGRA_CALL CommunicationEnd(void);

/* The name of the connected device; Buffer must hold 34 bytes. */
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

#ifdef __cplusplus
}
#endif

#endif
