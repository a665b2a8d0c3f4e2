#include "platform/files/reason_text.h"

#include "platform/text.h"
#include "platform/reasons.h"
#include "platform/files/file_calls.h"

namespace {

struct OwnReason {
    int32_t code;
    const char* text;
};

const OwnReason kOwnReasons[] = {
    {kReasonNoVertices, "the file has no vertices (no \"v\" lines): it is empty or not an OBJ file"},
    {kReasonLongLine, "the file has a line of 2147483647 bytes or more"},
    {kReasonFileTooLarge, "the file is 4 GiB or larger"},
    {kReasonNamedPipe, "the path names a pipe, not a file"},
    {kReasonFileShrank, "the file was cut short while it was read"},
    {kReasonFileChanged, "the file changed while it was read"},
    {kReasonReplacesInput, "the new file would be written over an input file"},
    {kReasonSymbolicLink, "it is a symbolic link"},
    {kReasonNotPlainFile, "it is a pipe, device or socket, not a file"},
    {kReasonOtherOwner, "it belongs to another user"},
    {kReasonForeignFile, "this program did not write it"},
    {kReasonStopped, "the run was stopped"},
    {kReasonForeignLink, "it is a symbolic link another user made in a folder everyone may write to"},
    {kReasonNotObjText, "not an OBJ file: its opening lines hold NUL bytes or no OBJ statement"},
};

}  // namespace

void ReasonText(int32_t reason, char* text, size_t capacity) {
    if (!text || capacity == 0) return;
    text[0] = '\0';
    if (reason > 0) {
        SystemErrorText(reason, text, capacity);
        return;
    }
    for (const OwnReason& own : kOwnReasons)
        if (own.code == reason) CopyText(text, capacity, own.text);
}
