#include "platform/messages.h"

#include <algorithm>
#include <iterator>

namespace {

struct SystemMessage {
    int code;
    const char *text;
};

// Sorted by code for the binary search below.
constexpr SystemMessage kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {39, "The disk is full."},
    {50, "The request is not supported."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {193, "%1 is not a valid Win32 application."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {234, "More data is available."},
    {258, "The wait operation timed out."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {1009, "The configuration registry database is corrupt."},
    {1168, "Element not found."},
    {1223, "The operation was canceled by the user."},
    {1237, "The operation could not be completed. A retry should be performed."},
    {1460, "This operation returned because the timeout period expired."},
    {1601,
     "The Windows Installer Service could not be accessed. This can occur if the Windows "
     "Installer is not correctly installed. Contact your support personnel for assistance."},
    {1602, "User cancelled installation."},
    {1603, "Fatal error during installation."},
    {1604, "Installation suspended, incomplete."},
    {1605, "This action is only valid for products that are currently installed."},
    {1606, "Feature ID not registered."},
    {1612,
     "The installation source for this product is not available. Verify that the source exists "
     "and that you can access it."},
    {1614, "Product is uninstalled."},
    {1618,
     "Another installation is already in progress. Complete that installation before proceeding "
     "with this install."},
    {1619,
     "This installation package could not be opened. Verify that the package exists and that you "
     "can access it, or contact the application vendor to verify that this is a valid Windows "
     "Installer package."},
    {1620,
     "This installation package could not be opened. Contact the application vendor to verify "
     "that this is a valid Windows Installer package."},
    {1622,
     "There was an error opening installation log file. Verify that the specified log file "
     "location exists and that you can write to it."},
    {1624, "Error applying transforms. Verify that the specified transform paths are valid."},
    {1625, "This installation is forbidden by system policy. Contact your system administrator."},
    {1633,
     "This installation package is not supported by this processor type. Contact your product "
     "vendor."},
    {1638,
     "Another version of this product is already installed. Installation of this version cannot "
     "continue. To configure or remove the existing version of this product, use Add/Remove "
     "Programs on the Control Panel."},
    {1639,
     "Invalid command line argument. Consult the Windows Installer SDK for detailed command line "
     "help."},
    {1641,
     "The requested operation completed successfully. The system will be restarted so the "
     "changes can take effect."},
    {1642,
     "The upgrade cannot be installed by the Windows Installer service because the program to be "
     "upgraded may be missing, or the upgrade may update a different version of the program. "
     "Verify that the program to be upgraded exists on your computer and that you have the "
     "correct upgrade."},
    {1643, "The patch package is not permitted by software restriction policy."},
    {1921, "The name of the file cannot be resolved by the system."},
    {3010,
     "The requested operation is successful. Changes will not be effective until the system is "
     "rebooted."},
    {3011,
     "The requested operation is successful. Changes will not be effective until the service is "
     "restarted."},
};

static_assert(std::is_sorted(std::begin(kMessages), std::end(kMessages),
                             [](const SystemMessage &a, const SystemMessage &b) {
                                 return a.code < b.code;
                             }),
              "the message table must stay sorted by code");

}  // namespace

const char *PlatformSystemMessage(int code) {
    auto found = std::lower_bound(
        std::begin(kMessages), std::end(kMessages), code,
        [](const SystemMessage &entry, int wanted) { return entry.code < wanted; });
    return (found != std::end(kMessages) && found->code == code) ? found->text : nullptr;
}
