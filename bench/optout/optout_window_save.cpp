#include "optout_window_save.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "bench_process.h"
#include "bench_window.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"
#include "shell/message_box.h"

namespace benchoptout {

int measureWindowSave(int argc, char** argv, const std::string& app, long recipients) {
    using Clock = std::chrono::steady_clock;
    FendrivalApplication qt(argc, argv);
    AppPath = app;
    TForm3 form;
    form.show();
    bench::settle();
    bench::pickProject(form, 0);
    if (form.Memo1->lines() != recipients) {
        std::fprintf(stderr, "the group shows %d lines, not %ld\n", form.Memo1->lines(),
                     recipients);
        return 1;
    }
    std::vector<int> styles;
    std::optional<Clock::time_point> informed;
    shell::setMessageBoxResponder([&](const shell::MessageBoxCall& call) {
        if (call.style == shell::kStyleInformation && !informed) informed = Clock::now();
        styles.push_back(call.style);
        return int(shell::kResultOk);
    });
    const auto start = Clock::now();
    form.SpeedButton5Click();
    shell::setMessageBoxResponder(nullptr);
    if (styles != std::vector<int>{shell::kStyleQuestion, shell::kStyleInformation}) {
        std::fprintf(stderr, "the save showed %zu boxes, not a question and its report\n",
                     styles.size());
        return 1;
    }
    bench::printResult({std::chrono::duration<double, std::milli>(*informed - start).count(),
                        bench::peakResidentKib()});
    return 0;
}

}  // namespace benchoptout
