#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "smtp/smtp_check.h"

// One SMTP session as the connection test and the test mail share it. libcurl connects,
// greets and sets up TLS (STARTTLS when offered, or implicit TLS) and verifies the
// certificate; the commands after that are ours, so every refusal is answered with QUIT
// and the reply to the failing step is known.
namespace smtp {

struct Reply {
    int code = 0;  // 0 when no complete reply came
    std::string last;
};

class Session {
public:
    Session(const Request& request, const std::atomic<bool>& cancel);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects up to the EHLO after TLS. False with result.failure set.
    bool open(Result& result);
    // AUTH when the request asks for it, only under TLS. False with result.failure set and
    // the session ended.
    bool logIn(Result& result);
    // One command line (without CR LF) and its reply; `step` names it in a failure and is
    // all of it that is ever shown. False when no proper reply came (result.failure set, the
    // session ended); a refusing reply returns true.
    bool command(const char* step, const std::string& line, Reply& reply, Result& result);
    // Raw bytes followed by the reply, for the message data.
    bool sendThenRead(const char* step, const std::string& bytes, Reply& reply, Result& result);
    // The dialogue went well: once no stray bytes follow the last reply, the result is a
    // success and QUIT ends it. False with result.failure set when some came.
    bool succeed(Result& result);
    // QUIT and its reply; a late failure here changes no result.
    void quit();
    // Copies what was seen into the result; call once at the end.
    void finish(Result& result);

    // Ends with the step's failure and QUIT: the server hears that we are done.
    bool refuse(Failure failure, const Reply& reply, Result& result);

    struct State;  // libcurl's handles and what the server said; the hooks reach it

private:
    std::unique_ptr<State> state_;
};

// base64 of the bytes, as AUTH wants it.
std::string base64(const std::string& bytes);

}  // namespace smtp
