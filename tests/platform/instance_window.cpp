// A stand-in player window in a process of its own: listens on the instance
// channel and prints every record it receives, one line each:
//   record <wParam> <lParam> <text of the atom, or nothing>
// It answers a record with wParam + 1000. Prints "listening" once it owns the
// socket, "standing-by" when another window owns it.
//   --die-after N   ends the process without answering record N
//   --hang-after N  stops answering at record N (sleeps a minute)
//   --quit-on-end   quits after answering the end mark 0xFFFFFFFF
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

namespace {

constexpr UINT kMessage = 0xFA78;

struct Options {
    int dieAfter = 0;
    int hangAfter = 0;
    bool quitOnEnd = false;
};

class Window : public QObject {
public:
    explicit Window(const Options& options) : options_(options) {}

    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QObject::event(event);
        }
        auto* message = static_cast<WindowMessageEvent*>(event);
        ++count_;
        if (count_ == options_.dieAfter) {
            _exit(7);
        }
        if (count_ == options_.hangAfter) {
            QThread::sleep(60);
        }
        QString text;
        if (message->lParam > 0 && message->lParam <= 0xFFFF) {
            const auto atom = static_cast<ATOM>(message->lParam);
            text = GlobalGetAtomName(atom);
            GlobalDeleteAtom(atom);
        }
        std::printf("record %llu %lld %s\n", static_cast<unsigned long long>(message->wParam),
                    static_cast<long long>(message->lParam), text.toUtf8().constData());
        message->result = static_cast<LRESULT>(message->wParam) + 1000;
        if (message->wParam == 0xFFFFFFFFu && options_.quitOnEnd) {
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return true;
    }

private:
    Options options_;
    int count_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // every line goes out at once
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    const auto after = [&args](const char* flag) {
        const qsizetype at = args.indexOf(QLatin1String(flag));
        return at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : 0;
    };
    Window window({after("--die-after"), after("--hang-after"),
                   args.contains(QStringLiteral("--quit-on-end"))});
    InstanceListener listener(QString::fromLatin1(kPlayerWindowClass),
                              [&window](WPARAM wParam, LPARAM lParam) {
                                  return SendMessage(&window, kMessage, wParam, lParam);
                              });
    bool listening = listener.IsListening();
    std::puts(listening ? "listening" : "standing-by");
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &application, [&] {
        if (!listening && listener.IsListening()) {
            listening = true;
            std::puts("listening");
        }
    });
    watch.start(20);
    return application.exec();
}
