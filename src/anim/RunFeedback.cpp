#include "anim/RunFeedback.h"

#include "platform/ModalQuestions.h"

int RunFeedback::askOverwrite(const std::string &, const std::string &)
{
    return ModalQuestions::OverwriteNo;
}
