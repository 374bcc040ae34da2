// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef METERSIM_H
#define METERSIM_H
/* The simulated meter's test-side interface. The same library also provides
 * the libusb 0.1 functions (see <usb.h>), so a test links it in place of
 * libusb and drives the device link against it; the real program reaches it
 * through LD_PRELOAD instead. Everything here runs on one thread. */

#ifdef __cplusplus
extern "C" {
#endif

/* One control transfer as the meter saw it. t_ms is the simulator's clock
 * (virtual when virtual time is on, else real monotonic time since reset). */
typedef struct {
    long long t_ms;
    int requesttype, request, value, index, size, timeout, result;
} metersim_request;

/* Back to the defaults: one meter on one bus, open ok, setup byte 0, levels
 * pattern:sine, no card, no faults, log empty, real time. Closes the card
 * image and the log file, forgets every handle. Reads no environment. */
void metersim_reset(void);

/* "key = value" lines ('#' starts a comment), as in the config file.
 * 0 when every line was understood, -1 on the first bad line (the lines
 * before it are applied). */
int metersim_configure(const char* text);

/* Applies the file named by METERSIM_CONFIG, then every METERSIM_<KEY>
 * variable. Done by itself on first use; 0 ok, -1 on a bad setting. */
int metersim_load_environment(void);

/* One runtime command as in the control file; 0 ok, -1 not understood. */
int metersim_command(const char* line);

int metersim_log_count(void);
/* 0 and *out filled for 0 <= i < count, else -1. */
int metersim_log_get(int i, metersim_request* out);
/* The device (1-based position in the layout) that request i went to, 0 if
 * it reached none (closed or unknown handle), -1 for a bad i. */
int metersim_log_device(int i);
void metersim_log_clear(void);

int metersim_violations(void);
const char* metersim_last_violation(void); /* "" when there was none */

int metersim_open_handles(void); /* handles opened and not yet closed */

long long metersim_now_ms(void);
void metersim_advance_ms(long long ms); /* moves the simulator's clock on */

int metersim_setup_byte(void);             /* the first meter's current byte */
int metersim_setup_byte_of(int device);    /* device: 1-based layout position; -1 if not a meter */
/* The first meter's clock as last set: year, month, day, hour, minute,
 * second; -1 for the parts never set. */
void metersim_clock(int out[6]);

#ifdef __cplusplus
}
#endif

#endif /* METERSIM_H */
