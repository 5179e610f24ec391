// The serial part of wiringPi that the printer driver uses.
#ifndef KALVENTRIX_WIRINGSERIAL_H
#define KALVENTRIX_WIRINGSERIAL_H

#ifdef __cplusplus
extern "C" {
#endif

int serialOpen(const char* device, const int baud);
void serialClose(const int fd);
void serialPutchar(const int fd, const unsigned char c);

#ifdef __cplusplus
}
#endif

#endif
