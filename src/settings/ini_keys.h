#pragma once

#include <string>

// Section and keys of Fendrival.ini, as the files spell them (CP932).
struct IniKeys {
    std::string section, server, client, senderAddress, senderName, pauseInterval, pauseTime, smtp,
        smtpId, smtpPwd, smtpPort, smtpHtml, groupCount;
};

const IniKeys& iniKeys();
