// The program's version: the one place the version resource, the About box and the
// installer package take it from (scripts/build_msi.sh reads the three numbers here).
#pragma once

#define QN_VERSION_MAJOR 1
#define QN_VERSION_MINOR 1
#define QN_VERSION_PATCH 0

#define QN_VERSION_STRINGIZE2(x) #x
#define QN_VERSION_STRINGIZE(x) QN_VERSION_STRINGIZE2(x)
// "1.1.0"
#define QN_VERSION_TEXT                                                                  \
    QN_VERSION_STRINGIZE(QN_VERSION_MAJOR) "." QN_VERSION_STRINGIZE(QN_VERSION_MINOR) "." \
    QN_VERSION_STRINGIZE(QN_VERSION_PATCH)
#define QN_VERSION_WTEXT2(x) L##x
#define QN_VERSION_WTEXT(x) QN_VERSION_WTEXT2(x)
