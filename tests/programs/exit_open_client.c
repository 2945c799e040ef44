/* exit_open_client: opens a connection and ends without CommunicationEnd, as
 * a point-of-sale program that is closed or crashes midway does. The process
 * must still end.
 *
 *   exit_open_client PORT */
#include <stdio.h>
#include <stdlib.h>

#include "sigra/sigradrv.h"

int main(int argc, char** argv) {
  if (argc != 2 || atoi(argv[1]) <= 0) {
    fprintf(stderr, "usage: exit_open_client PORT\n");
    return 2;
  }
  printf("CommunicationInit: %d\n", (int)CommunicationInit(atoi(argv[1]), 9600, 3));
  return 0;
}
