// SPDX-License-Identifier: GPL-3.0-or-later
/* Finds the meter through libusb 0.1 and reads its setup byte; prints what
 * it saw. Linked against Debian's libusb: only LD_PRELOAD puts the
 * simulated meter in its place. */
#include <stdio.h>
#include <usb.h>

int main(void) {
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (struct usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor != 0x16C0 || dev->descriptor.idProduct != 0x05DC) continue;
            usb_dev_handle* h = usb_open(dev);
            if (!h) {
                printf("meter on bus %s: open failed\n", bus->dirname);
                return 2;
            }
            char setup = 0;
            int result = usb_control_msg(h, 0xC0, 2, 1, 0, &setup, 1, 5000);
            printf("meter on bus %s: setup %d result %d\n", bus->dirname, (unsigned char)setup, result);
            usb_close(h);
            return 0;
        }
    }
    printf("no meter\n");
    return 1;
}
