/*
 * kalvos_io.h - the host's dialog utility library (vc64_kio.dll).
 * Small helpers every plug-in dialog uses: centring, string copies in host
 * memory, and setting dialog controls from numbers and on/off switches.
 */
#ifndef KALVOS_IO_H
#define KALVOS_IO_H

#include <windows.h>
#include "host/kalvos_core.h"

#if defined(KA_BUILD_IO)
#  define KIO_API __declspec(dllexport)
#else
#  define KIO_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

KIO_API void Import_IO_Center_Window(HWND parent, HWND window);
/* *copy receives a host-memory copy of text (free with Ki_Free_Memory);
 * an earlier copy in *copy is released first. */
KIO_API void Import_IO_Copy_String(char **copy, const char *text);
KIO_API void Import_IO_KdFloat_To_Dialog(HWND dialog, int16_t id, float value);
KIO_API void Import_IO_KdInt_To_Dialog(HWND dialog, int16_t id, int32_t value);
KIO_API void Import_IO_Set_Control_Enable(HWND dialog, int16_t id, int16_t enable);
KIO_API void Import_IO_Set_Kalvos_Toggle(HWND dialog, int16_t id, KaToken onOff);
KIO_API void Import_IO_Flip_Kalvos_Toggle(HWND dialog, int16_t id, KaToken *onOff);

#ifdef __cplusplus
}
#endif

#endif
