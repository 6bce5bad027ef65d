// The CUPS functions Qt's built-in printing calls, loaded from libcups when printing first needs them.
// Linked against libcups directly, every start would load it and the twenty libraries it depends
// on (TLS, Kerberos, Avahi): 3.8 MB of memory for a command most sessions never use. Without
// libcups on the system, the calls fail the way CUPS itself fails without printers, and printing
// offers the PDF file only.
#include <cups/cups.h>
#include <cups/ppd.h>
#include <dlfcn.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

void* library()
{
    static void* const handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <typename Function>
Function resolve(const char* name)
{
    void* handle = library();
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

} // namespace

// Each function is looked up once; `fallback` is what it gives when libcups is missing.
#define TESSARY_CUPS_CALL(name, fallback, ...)                                                       \
    static const auto real = resolve<decltype(&::name)>(#name);                                     \
    if (!real)                                                                                        \
        return fallback;                                                                              \
    return real(__VA_ARGS__)

extern "C" {

int cupsGetDests(cups_dest_t** dests)
{
    static const auto real = resolve<decltype(&::cupsGetDests)>("cupsGetDests");
    if (!real) {
        *dests = nullptr;
        return 0;
    }
    return real(dests);
}

void cupsFreeDests(int count, cups_dest_t* dests) { TESSARY_CUPS_CALL(cupsFreeDests, , count, dests); }

cups_dest_t* cupsGetNamedDest(http_t* http, const char* name, const char* instance)
{
    TESSARY_CUPS_CALL(cupsGetNamedDest, nullptr, http, name, instance);
}

const char* cupsGetOption(const char* name, int count, cups_option_t* options)
{
    TESSARY_CUPS_CALL(cupsGetOption, nullptr, name, count, options);
}

const char* cupsGetPPD(const char* name) { TESSARY_CUPS_CALL(cupsGetPPD, nullptr, name); }

int cupsMarkOptions(ppd_file_t* ppd, int count, cups_option_t* options)
{
    TESSARY_CUPS_CALL(cupsMarkOptions, 0, ppd, count, options);
}

int cupsPrintFile(const char* name, const char* filename, const char* title, int count, cups_option_t* options)
{
    TESSARY_CUPS_CALL(cupsPrintFile, 0, name, filename, title, count, options);
}

void cupsSetPasswordCB2(cups_password_cb2_t callback, void* data)
{
    TESSARY_CUPS_CALL(cupsSetPasswordCB2, , callback, data);
}

void cupsSetUser(const char* user) { TESSARY_CUPS_CALL(cupsSetUser, , user); }

int cupsTempFd(char* filename, int length) { TESSARY_CUPS_CALL(cupsTempFd, -1, filename, length); }

const char* cupsUser() { TESSARY_CUPS_CALL(cupsUser, "", ); }

const char* httpGetHostname(http_t* http, char* buffer, int length)
{
    static const auto real = resolve<decltype(&::httpGetHostname)>("httpGetHostname");
    if (!real) {
        if (buffer && length > 0)
            buffer[0] = '\0';
        return nullptr;
    }
    return real(http, buffer, length);
}

void ppdClose(ppd_file_t* ppd) { TESSARY_CUPS_CALL(ppdClose, , ppd); }

ppd_choice_t* ppdFindMarkedChoice(ppd_file_t* ppd, const char* keyword)
{
    TESSARY_CUPS_CALL(ppdFindMarkedChoice, nullptr, ppd, keyword);
}

ppd_option_t* ppdFindOption(ppd_file_t* ppd, const char* keyword) { TESSARY_CUPS_CALL(ppdFindOption, nullptr, ppd, keyword); }

int ppdInstallableConflict(ppd_file_t* ppd, const char* option, const char* choice)
{
    TESSARY_CUPS_CALL(ppdInstallableConflict, 0, ppd, option, choice);
}

int ppdLocalize(ppd_file_t* ppd) { TESSARY_CUPS_CALL(ppdLocalize, -1, ppd); }

void ppdMarkDefaults(ppd_file_t* ppd) { TESSARY_CUPS_CALL(ppdMarkDefaults, , ppd); }

int ppdMarkOption(ppd_file_t* ppd, const char* keyword, const char* option)
{
    TESSARY_CUPS_CALL(ppdMarkOption, 0, ppd, keyword, option);
}

ppd_file_t* ppdOpenFile(const char* filename) { TESSARY_CUPS_CALL(ppdOpenFile, nullptr, filename); }

ppd_size_t* ppdPageSize(ppd_file_t* ppd, const char* name) { TESSARY_CUPS_CALL(ppdPageSize, nullptr, ppd, name); }

} // extern "C"
