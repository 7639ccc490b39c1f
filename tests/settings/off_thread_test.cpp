// Work off the window's thread: errors, cancels, newer requests, quitting, and the
// window's input while a job runs.
#include <qpa/qwindowsysteminterface.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <stdexcept>

#include "dialogs/recipient_check_dialog.h"
#include "settings_fixture.h"
#include "shell/error_report.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "textfield/plain_text_field.h"

namespace {

// Holds work back until the test opens it.
class Gate {
public:
    void pass() const {
        while (!open_) QThread::msleep(1);
    }
    void open() { open_ = true; }

private:
    std::atomic<bool> open_{false};
};

class OffThreadTest : public SettingsWindowTest {
protected:
    ~OffThreadTest() override {
        gate.open();
        offthread::waitForAll();
        offthread::setStartHook(nullptr);
        RecipientCheckDialog::setScript(nullptr);
    }
    // Presses the button of the first progress box to show, as soon as it shows.
    void cancelTheBox() {
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll] {
            if (auto* box = form->findChild<QProgressDialog*>(); box && box->isVisible()) {
                box->cancel();
                poll->deleteLater();
            }
        });
        poll->start(1);
    }
    // Every job ended and let go of.
    bool allJobsFreed() {
        offthread::waitForAll();
        return QTest::qWaitFor([] { return offthread::liveJobs() == 0; }, 5000);
    }
    // A list of this many addresses, with LF ends.
    static std::string addresses(int count) {
        std::string text;
        for (int n = 0; n < count; ++n) text += "user" + std::to_string(n) + "@example.com\n";
        return text;
    }

    Gate gate;
};

TEST_F(OffThreadTest, WorkThatThrowsShowsTheErrorBoxAndTheWindowGoesOn) {
    load({"P"}, 0);
    const auto fails = [](const offthread::Stop&) { throw std::runtime_error("読めません"); };
    std::atomic<bool> besideEnded{false};
    const struct {
        const char* name;
        std::function<void()> start;
        const std::atomic<bool>* endsBeforeTheBox = nullptr;
    } cases[] = {
        {"holding input", [&] { offthread::wait({}, fails); }},
        {"stop box",
         [&] {
             offthread::wait(offthread::box(offthread::Cancel::Stop, form.get(), "b", "t", "l",
                                            QStringLiteral("中止")),
                             fails);
         }},
        {"cancel box",
         [&] {
             offthread::wait(offthread::box(offthread::Cancel::Drop, form.get(), "b", "t", "l",
                                            QStringLiteral("キャンセル")),
                             fails);
         }},
        {"beside a second job",
         [&] {
             // The second job is waited for before the error goes on, never cut off.
             offthread::holdingInput([&] {
                 offthread::alongside(
                     [&] {
                         QThread::msleep(50);
                         besideEnded = true;
                     },
                     [] { throw std::runtime_error("読めません"); });
             });
         },
         &besideEnded},
        {"background load",
         [&] {
             form->Memo1->loadUtf8TextInBackground(
                 []() -> std::string { throw std::runtime_error("読めません"); });
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        form->Memo1->setUtf8Text("before@example.com\n");
        // As a handler does: from the window's event loop.
        QTimer::singleShot(0, form.get(), c.start);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.calls().empty(); }, 5000));
        ASSERT_EQ(boxes.calls().size(), 1u);
        if (c.endsBeforeTheBox) {
            EXPECT_TRUE(*c.endsBeforeTheBox);
        }
        EXPECT_EQ(lastBox().style, shell::kStyleError);
        EXPECT_EQ(lastBox().text, QStringLiteral("読めません."));
        // A failed load leaves the field empty and editable, not loading for ever.
        EXPECT_FALSE(form->Memo1->isLoading());
        EXPECT_FALSE(form->Memo1->isReadOnly());
        form->Memo1->setUtf8Text("after@example.com\n");
        EXPECT_EQ(form->Memo1->utf8Text(), "after@example.com\n");
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(allJobsFreed());
    }
}

TEST_F(OffThreadTest, ACancelDropsTheResultAndFreesItWhenTheJobEnds) {
    const struct {
        const char* name;
        bool newerRequest;  // cancelled by a newer request rather than by its box
    } cases[] = {{"cancel box", false}, {"newer request", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Gate held;
        std::weak_ptr<int> result;
        int takenOld = 0, takenNew = 0;
        bool stopSeen = false;
        offthread::Latest<int> latest;
        if (c.newerRequest) {
            latest.start(
                [&](const offthread::Stop& stop) {
                    auto made = std::make_shared<int>(1);
                    result = made;
                    held.pass();
                    stopSeen = stop;
                    return made;
                },
                [&](std::shared_ptr<int>) { ++takenOld; });
            latest.start([](const offthread::Stop&) { return std::make_shared<int>(2); },
                         [&](std::shared_ptr<int> made) {
                             if (made && *made == 2) ++takenNew;
                         });
            ASSERT_TRUE(QTest::qWaitFor([&] { return takenNew == 1; }, 5000));
        } else {
            cancelTheBox();
            auto made = std::make_shared<int>(1);
            result = made;
            const bool ended = offthread::wait(
                offthread::box(offthread::Cancel::Drop, form.get(), "b", "t", "l", "キャンセル"),
                [made = std::move(made), &held, &stopSeen](const offthread::Stop& stop) {
                    held.pass();
                    stopSeen = stop;
                });
            EXPECT_FALSE(ended);
        }
        // Still running on its own copy, then freed as it ends.
        EXPECT_FALSE(result.expired());
        EXPECT_GE(offthread::liveJobs(), 1);
        held.open();
        EXPECT_TRUE(allJobsFreed());
        EXPECT_TRUE(result.expired());
        EXPECT_TRUE(stopSeen);
        QCoreApplication::processEvents();
        EXPECT_EQ(takenOld, 0);
    }
}

TEST_F(OffThreadTest, QuittingDuringAMillionLineLoadStopsItAndWritesNothing) {
    std::string list;
    for (int n = 0; n < 1000000; ++n) list += "user" + std::to_string(n) + "@example.com,0\r\n";
    writeIni("P", {{"GROUPCOUNT", "1"}});
    writeProjectFile("P", "list.txt", list);
    list.clear();
    showWith({"P"});
    const auto before = snapshot();
    // The fill must still be under way when the window goes.
    offthread::setStartHook([this] { gate.pass(); });
    pick(form->cmbProject, 0);
    ASSERT_TRUE(form->Memo1->isLoading());
    form.reset();  // as `main` does once the event loop has ended
    gate.open();
    EXPECT_TRUE(allJobsFreed());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(OffThreadTest, CancelledLargeCheckShowsNoResult) {
    load({"P"}, 0);
    // Over the size that shows the box, with a fault in every line, so a check run to
    // its end would always report something.
    std::string list;
    for (int n = 0; n < 250000; ++n) list += "bad address " + std::to_string(n) + "\n";
    form->Memo1->setUtf8Text(list);
    int dialogs = 0;
    RecipientCheckDialog::setScript([&dialogs](RecipientCheckDialog&) { ++dialogs; });
    // The job waits until the box was closed, without its cancel signal; its end then
    // reaches the box before the box's wait returns.
    offthread::setStartHook([this] { gate.pass(); });
    auto* watch = new QTimer(form.get());
    QObject::connect(watch, &QTimer::timeout, watch, [&] {
        if (auto* box = form->findChild<QProgressDialog*>(QStringLiteral("offThreadProgress"));
            box && box->isVisible()) {
            box->reject();
            gate.open();
            offthread::waitForAll();
            QCoreApplication::sendPostedEvents();
        }
    });
    watch->start(1);
    form->btnCheckRecipientsClick();
    delete watch;
    EXPECT_TRUE(allJobsFreed());
    QTest::qWait(50);
    EXPECT_TRUE(boxes.calls().empty()) << utf8(lastBox().text);
    EXPECT_EQ(dialogs, 0);
}

TEST_F(OffThreadTest, KeysWaitUntilASaveCheckOrGateHasEnded) {
    writeIni("P", {{"GROUPCOUNT", "1"}});
    writeProjectFile("P", "list.txt", "a@example.com,0\r\n");
    load({"P"}, 0);
    RecipientCheckDialog::setScript([](RecipientCheckDialog&) {});
    const NamedAction cases[] = {
        {"save", &TForm3::SpeedButton5Click},
        {"check", &TForm3::btnCheckRecipientsClick},
        {"batch-file gate", &TForm3::SpeedButton7Click},
    };
    int keys = 0;
    struct KeyCount : QObject {
        int* keys;
        explicit KeyCount(int* k) : keys(k) {}
        bool eventFilter(QObject* receiver, QEvent* event) override {
            // Counted once, at the widget: its window sees each key first.
            if (event->type() == QEvent::KeyPress && event->spontaneous() &&
                receiver->isWidgetType())
                ++*keys;
            return false;
        }
    } counter(&keys);
    QWindow* window = form->windowHandle();
    ASSERT_NE(window, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Gate held;
        offthread::setStartHook([&held] { held.pass(); });
        form->Memo1->setFocus();
        keys = 0;
        int keysWhileRunning = -1;
        // A key typed while the job runs, and a look once the window had time to take it.
        QTimer::singleShot(0, form.get(), [window] {
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));
        });
        QTimer::singleShot(100, form.get(), [&] {
            keysWhileRunning = keys;
            held.open();
        });
        qApp->installEventFilter(&counter);
        (form.get()->*c.action)();
        EXPECT_EQ(keysWhileRunning, 0);
        // Held back, not lost.
        EXPECT_TRUE(QTest::qWaitFor([&] { return keys == 1; }, 2000));
        qApp->removeEventFilter(&counter);
        offthread::waitForAll();
        offthread::setStartHook(nullptr);
    }
}

}  // namespace
