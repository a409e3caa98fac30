/*
 * manifest_driver.h - runs every uninstall command of an uninstall manifest.
 *
 * The manifest is JSON (comments allowed, any top-level value):
 *
 *     { "Uninstall": [ { "ProductName": "Example",
 *                        "Uninstall Key": [ "command line", ... ] }, ... ] }
 *
 * For each entry one INFO record names the product, then each command is
 * expanded (%NAME%) and run through execute with a limit of 30 minutes, one
 * after another, whatever the others did. What the reader could read before a
 * syntax error is acted on. Values of the wrong kind are logged at ERROR and
 * skipped; the rest goes on.
 */
#ifndef FW_UNINSTALLER_MANIFEST_DRIVER_H
#define FW_UNINSTALLER_MANIFEST_DRIVER_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* The limit of one uninstall command, in minutes. */
#define FW_UNINSTALL_TIMEOUT_MINUTES 30

/* The longest command line a process can be given, in characters. */
#define FW_MAX_COMMAND_LINE 32767

/* Runs the manifest at path. Returns the program's exit code: 2 when path
 * names no existing file or directory ("%s file not found" is logged), else 0,
 * whatever the manifest held or the commands did. */
FW_API int RunUninstallManifest(const char *path);

FW_END_DECLS

#endif /* FW_UNINSTALLER_MANIFEST_DRIVER_H */
