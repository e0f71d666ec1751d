#include "standins.h"

#include <cstdio>

void RecordingPresenter::showMessage(const QString& text)
{
    messages.append(text);
    if (echo) {
        std::printf("message: %s\n", qPrintable(text));
        std::fflush(stdout);
    }
}

Outcome RecordingPlayer::record(const QString& call)
{
    calls.append(call);
    if (failOn.isEmpty() || !call.startsWith(failOn))
        return {};
    return Failure { FailureNumber::NoSuchFile, QStringLiteral("cannot play") };
}

namespace {

class CancelledDialog final : public FileOpenDialog {
public:
    Result<QString> showOpen(const QString&) override { return Failure { FailureNumber::DialogCancelled, QStringLiteral("Cancel was selected.") }; }
};

} // namespace

std::unique_ptr<MediaPlayer> silentPlayer()
{
    return std::make_unique<RecordingPlayer>();
}

std::unique_ptr<FileOpenDialog> noDialog()
{
    return std::make_unique<CancelledDialog>();
}
