#include "app/AppText.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <cstdio>

const std::string& AppTitle() {
    static const std::string title = LoadStringResource(IDS_APP_TITLE);
    return title;
}

void PrintLine(const std::string& strText) {
    std::fprintf(stderr, "lumetto: %s\n", strText.c_str());
    std::fflush(stderr);
}
