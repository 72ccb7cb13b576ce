#include "exam/AttemptRecord.h"

const char* EndingName(RunEnding ending) {
    switch (ending) {
    case RunEnding::HandIn:
        return "handin";
    case RunEnding::TimeOut:
        return "timeout";
    default:
        return "abandon";
    }
}
