#include "platform/locale.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Language {
  const char* iso;   // ISO 639 code as POSIX locale names carry it
  uint16_t primary;  // Windows primary language id
};

// ISO 639 codes and the Windows primary language ids of the same language.
const Language kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"iw", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11},
    {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"nn", 0x14}, {"no", 0x14}, {"pl", 0x15},
    {"pt", 0x16}, {"rm", 0x17}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A},
    {"bs", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F},
    {"ur", 0x20}, {"id", 0x21}, {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24}, {"et", 0x25},
    {"lv", 0x26}, {"lt", 0x27}, {"tg", 0x28}, {"fa", 0x29}, {"vi", 0x2A}, {"hy", 0x2B},
    {"az", 0x2C}, {"eu", 0x2D}, {"mk", 0x2F}, {"tn", 0x32}, {"xh", 0x34}, {"zu", 0x35},
    {"af", 0x36}, {"ka", 0x37}, {"fo", 0x38}, {"hi", 0x39}, {"mt", 0x3A}, {"ga", 0x3C},
    {"ms", 0x3E}, {"kk", 0x3F}, {"ky", 0x40}, {"sw", 0x41}, {"tk", 0x42}, {"uz", 0x43},
    {"tt", 0x44}, {"bn", 0x45}, {"pa", 0x46}, {"gu", 0x47}, {"or", 0x48}, {"ta", 0x49},
    {"te", 0x4A}, {"kn", 0x4B}, {"ml", 0x4C}, {"as", 0x4D}, {"mr", 0x4E}, {"sa", 0x4F},
    {"mn", 0x50}, {"bo", 0x51}, {"cy", 0x52}, {"km", 0x53}, {"lo", 0x54}, {"gl", 0x56},
    {"kok", 0x57}, {"syr", 0x5A}, {"si", 0x5B}, {"iu", 0x5D}, {"am", 0x5E}, {"ne", 0x61},
    {"fy", 0x62}, {"ps", 0x63}, {"dv", 0x65}, {"yo", 0x6A},
};

struct Territory {
  const char* iso;      // language code
  const char* country;  // ISO 3166 territory
  uint16_t langid;      // full LANGID
};

// Territories whose Windows sublanguage differs from the main form (1).
// Serbian and Bosnian share Croatian's primary id, so they are listed whole.
const Territory kTerritories[] = {
    {"zh", "TW", 0x0404}, {"zh", "CN", 0x0804}, {"zh", "HK", 0x0C04}, {"zh", "SG", 0x1004},
    {"zh", "MO", 0x1404}, {"en", "US", 0x0409}, {"en", "GB", 0x0809}, {"en", "AU", 0x0C09},
    {"en", "CA", 0x1009}, {"en", "NZ", 0x1409}, {"en", "IE", 0x1809}, {"en", "ZA", 0x1C09},
    {"en", "JM", 0x2009}, {"en", "BZ", 0x2809}, {"en", "TT", 0x2C09}, {"en", "ZW", 0x3009},
    {"en", "PH", 0x3409}, {"en", "IN", 0x4009}, {"en", "MY", 0x4409}, {"en", "SG", 0x4809},
    {"de", "CH", 0x0807}, {"de", "AT", 0x0C07}, {"de", "LU", 0x1007}, {"de", "LI", 0x1407},
    {"fr", "BE", 0x080C}, {"fr", "CA", 0x0C0C}, {"fr", "CH", 0x100C}, {"fr", "LU", 0x140C},
    {"fr", "MC", 0x180C}, {"es", "MX", 0x080A}, {"es", "GT", 0x100A}, {"es", "CR", 0x140A},
    {"es", "PA", 0x180A}, {"es", "DO", 0x1C0A}, {"es", "VE", 0x200A}, {"es", "CO", 0x240A},
    {"es", "PE", 0x280A}, {"es", "AR", 0x2C0A}, {"es", "EC", 0x300A}, {"es", "CL", 0x340A},
    {"es", "UY", 0x380A}, {"es", "PY", 0x3C0A}, {"es", "BO", 0x400A}, {"es", "SV", 0x440A},
    {"es", "HN", 0x480A}, {"es", "NI", 0x4C0A}, {"es", "PR", 0x500A}, {"es", "US", 0x540A},
    {"es", "ES", 0x0C0A}, {"it", "CH", 0x0810}, {"nl", "BE", 0x0813}, {"pt", "BR", 0x0416},
    {"pt", "PT", 0x0816}, {"sv", "FI", 0x081D}, {"ar", "IQ", 0x0801}, {"ar", "EG", 0x0C01},
    {"ar", "LY", 0x1001}, {"ar", "DZ", 0x1401}, {"ar", "MA", 0x1801}, {"ar", "TN", 0x1C01},
    {"ar", "OM", 0x2001}, {"ar", "YE", 0x2401}, {"ar", "SY", 0x2801}, {"ar", "JO", 0x2C01},
    {"ar", "LB", 0x3001}, {"ar", "KW", 0x3401}, {"ar", "AE", 0x3801}, {"ar", "BH", 0x3C01},
    {"ar", "QA", 0x4001}, {"ur", "IN", 0x0820}, {"ms", "BN", 0x083E},
    {"sr", "", 0x0C1A},   {"sr", "RS", 0x0C1A}, {"sr", "ME", 0x0C1A}, {"bs", "", 0x141A},
    {"bs", "BA", 0x141A}, {"nn", "", 0x0814},   {"nn", "NO", 0x0814},
};

}  // namespace

uint16_t qvl_locale_langid_from_name(const char* name) {
  if (name == nullptr) return 0;
  // language[_territory][.codeset][@modifier]
  std::string lang, country;
  const char* p = name;
  while (*p >= 'a' && *p <= 'z') lang += *p++;
  if (*p == '_') {
    ++p;
    while ((*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9')) country += *p++;
  }
  if (*p != '\0' && *p != '.' && *p != '@') return 0;
  if (lang.empty()) return 0;

  for (const Territory& t : kTerritories) {
    if (lang == t.iso && country == t.country) return t.langid;
  }
  for (const Territory& t : kTerritories) {
    // A language listed whole (no territory) keeps that form everywhere.
    if (lang == t.iso && t.country[0] == '\0') return t.langid;
  }
  for (const Language& l : kLanguages) {
    if (lang == l.iso) return static_cast<uint16_t>((1 << 10) | l.primary);
  }
  return 0;
}

uint16_t qvl_locale_ui_langid() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && *value != '\0') return qvl_locale_langid_from_name(value);
  }
  return 0;
}
