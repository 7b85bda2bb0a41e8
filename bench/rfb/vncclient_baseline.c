/* The libvncclient side of the end-to-end benchmark, restricted to the same three encodings.
 *   rfb_vncclient_baseline HOST PORT SECONDS
 * Prints the same line as our client: updates, wall and CPU seconds, decoded megabytes. */
#include <rfb/rfbclient.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>

static unsigned long long updates, pixels;

static void got_update(rfbClient *client, int x, int y, int w, int h) {
  (void)client, (void)x, (void)y;
  pixels += (unsigned long long)w * h;
}

static void finished_update(rfbClient *client) {
  (void)client;
  ++updates;
}

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

static double cpu_seconds(void) {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

int main(int argc, char **argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: %s HOST PORT SECONDS\n", argv[0]);
    return 2;
  }
  rfbEnableClientLogging = FALSE;
  rfbClient *client = rfbGetClient(8, 3, 4);
  client->serverHost = strdup(argv[1]);
  client->serverPort = atoi(argv[2]);
  client->appData.encodingsString = "raw copyrect rre";
  client->appData.shareDesktop = TRUE;
  client->GotFrameBufferUpdate = got_update;
  client->FinishedFrameBufferUpdate = finished_update;
  int fake_argc = 0;
  if (!rfbInitClient(client, &fake_argc, NULL)) return 1;
  double seconds = atof(argv[3]);
  updates = pixels = 0;
  double cpu0 = cpu_seconds(), start = now();
  while (now() - start < seconds) {
    int n = WaitForMessage(client, 100000);
    if (n < 0) break;
    if (n > 0 && !HandleRFBServerMessage(client)) break;
  }
  double wall = now() - start, cpu = cpu_seconds() - cpu0;
  printf("client=libvncclient updates=%llu wall=%.3f cpu=%.3f decoded_mb=%.1f\n", updates, wall,
         cpu, pixels * 4 / 1e6);
  rfbClientCleanup(client);
  return 0;
}
