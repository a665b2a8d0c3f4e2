#pragma once
// Why a file could not be read or written, as one signed code: 0 when
// nothing failed, a positive code of the system (errno, or a Windows error
// code) when a call of the system failed, or a negative code of the
// program's own for what the system has no word for.
#include <cerrno>
#include <cstdint>

// System codes for failures the program finds itself.
#if defined(_WIN32)
constexpr int32_t kErrorNoSpace = 112;        // ERROR_DISK_FULL
constexpr int32_t kErrorInputOutput = 1117;   // ERROR_IO_DEVICE
constexpr int32_t kErrorNameTooLong = 206;    // ERROR_FILENAME_EXCED_RANGE
constexpr int32_t kErrorIsFolder = 267;       // ERROR_DIRECTORY
constexpr int32_t kErrorInvalid = 87;         // ERROR_INVALID_PARAMETER
constexpr int32_t kErrorNoMemory = 8;         // ERROR_NOT_ENOUGH_MEMORY
constexpr int32_t kErrorTooManyLinks = 1921;  // ERROR_CANT_RESOLVE_FILENAME
#else
constexpr int32_t kErrorNoSpace = ENOSPC;
constexpr int32_t kErrorInputOutput = EIO;
constexpr int32_t kErrorNameTooLong = ENAMETOOLONG;
constexpr int32_t kErrorIsFolder = EISDIR;
constexpr int32_t kErrorInvalid = EINVAL;
constexpr int32_t kErrorNoMemory = ENOMEM;
constexpr int32_t kErrorTooManyLinks = ELOOP;
#endif

// The program's own codes.
constexpr int32_t kReasonNoVertices = -1;    // no `v` line: empty, or not an OBJ file
constexpr int32_t kReasonLongLine = -2;      // a line of 2^31 - 1 bytes or more
constexpr int32_t kReasonFileTooLarge = -3;  // 4 GiB or more
constexpr int32_t kReasonNamedPipe = -4;     // opening it would wait for a writer
constexpr int32_t kReasonFileShrank = -5;    // cut short while it was read
constexpr int32_t kReasonFileChanged = -6;   // its length changed between two readings
constexpr int32_t kReasonReplacesInput = -7; // a new file would be written over an input
constexpr int32_t kReasonSymbolicLink = -8;  // a name the program keeps for itself is a link
constexpr int32_t kReasonNotPlainFile = -9;  // ... is a pipe, device or socket
constexpr int32_t kReasonOtherOwner = -10;   // ... belongs to another user
constexpr int32_t kReasonForeignFile = -11;  // ... holds what this program did not write
constexpr int32_t kReasonStopped = -12;      // the run was asked to stop
constexpr int32_t kReasonForeignLink = -13;  // a link another user put in a folder everyone writes to
constexpr int32_t kReasonNotObjText = -14;   // NUL bytes, or no OBJ statement in its opening lines
