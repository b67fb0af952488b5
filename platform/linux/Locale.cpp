// The locale id and separators, from the POSIX locale environment.

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/Linux.h"

namespace Platform {

namespace {

// A locale that has no id of its own (LOCALE_CUSTOM_UNSPECIFIED); never Swedish.
constexpr std::uint32_t UnspecifiedLocale = 0x1000;

struct KnownLocale {
  const char* Name;  // language_TERRITORY, or language_TERRITORY@modifier
  std::uint32_t Id;
};

// Windows locale ids of the locales a Linux system commonly has.
constexpr KnownLocale KnownLocales[] = {
    {"af_ZA", 0x0436}, {"am_ET", 0x045E}, {"ar_AE", 0x3801}, {"ar_BH", 0x3C01}, {"ar_DZ", 0x1401},
    {"ar_EG", 0x0C01}, {"ar_IQ", 0x0801}, {"ar_JO", 0x2C01}, {"ar_KW", 0x3401}, {"ar_LB", 0x3001},
    {"ar_LY", 0x1001}, {"ar_MA", 0x1801}, {"ar_OM", 0x2001}, {"ar_QA", 0x4001}, {"ar_SA", 0x0401},
    {"ar_SY", 0x2801}, {"ar_TN", 0x1C01}, {"ar_YE", 0x2401}, {"as_IN", 0x044D}, {"az_AZ", 0x042C},
    {"be_BY", 0x0423}, {"bg_BG", 0x0402}, {"bn_BD", 0x0845}, {"bn_IN", 0x0445}, {"bo_CN", 0x0451},
    {"br_FR", 0x047E}, {"bs_BA", 0x141A}, {"ca_ES", 0x0403}, {"ca_ES@valencia", 0x0803},
    {"cs_CZ", 0x0405}, {"cy_GB", 0x0452}, {"da_DK", 0x0406}, {"de_AT", 0x0C07}, {"de_CH", 0x0807},
    {"de_DE", 0x0407}, {"de_LI", 0x1407}, {"de_LU", 0x1007}, {"dv_MV", 0x0465}, {"el_GR", 0x0408},
    {"en_AU", 0x0C09}, {"en_BZ", 0x2809}, {"en_CA", 0x1009}, {"en_GB", 0x0809}, {"en_HK", 0x3C09},
    {"en_IE", 0x1809}, {"en_IN", 0x4009}, {"en_JM", 0x2009}, {"en_MY", 0x4409}, {"en_NZ", 0x1409},
    {"en_PH", 0x3409}, {"en_SG", 0x4809}, {"en_TT", 0x2C09}, {"en_US", 0x0409}, {"en_ZA", 0x1C09},
    {"en_ZW", 0x3009}, {"es_AR", 0x2C0A}, {"es_BO", 0x400A}, {"es_CL", 0x340A}, {"es_CO", 0x240A},
    {"es_CR", 0x140A}, {"es_DO", 0x1C0A}, {"es_EC", 0x300A}, {"es_ES", 0x0C0A}, {"es_GT", 0x100A},
    {"es_HN", 0x480A}, {"es_MX", 0x080A}, {"es_NI", 0x4C0A}, {"es_PA", 0x180A}, {"es_PE", 0x280A},
    {"es_PR", 0x500A}, {"es_PY", 0x3C0A}, {"es_SV", 0x440A}, {"es_US", 0x540A}, {"es_UY", 0x380A},
    {"es_VE", 0x200A}, {"et_EE", 0x0425}, {"eu_ES", 0x042D}, {"fa_IR", 0x0429}, {"fi_FI", 0x040B},
    {"fil_PH", 0x0464}, {"fo_FO", 0x0438}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"fr_FR", 0x040C}, {"fr_LU", 0x140C}, {"fr_MC", 0x180C}, {"fy_NL", 0x0462}, {"ga_IE", 0x083C},
    {"gd_GB", 0x0491}, {"gl_ES", 0x0456}, {"gu_IN", 0x0447}, {"ha_NG", 0x0468}, {"he_IL", 0x040D},
    {"hi_IN", 0x0439}, {"hr_BA", 0x101A}, {"hr_HR", 0x041A}, {"hu_HU", 0x040E}, {"hy_AM", 0x042B},
    {"id_ID", 0x0421}, {"ig_NG", 0x0470}, {"is_IS", 0x040F}, {"it_CH", 0x0810}, {"it_IT", 0x0410},
    {"ja_JP", 0x0411}, {"ka_GE", 0x0437}, {"kk_KZ", 0x043F}, {"kl_GL", 0x046F}, {"km_KH", 0x0453},
    {"kn_IN", 0x044B}, {"ko_KR", 0x0412}, {"ky_KG", 0x0440}, {"lb_LU", 0x046E}, {"lo_LA", 0x0454},
    {"lt_LT", 0x0427}, {"lv_LV", 0x0426}, {"mi_NZ", 0x0481}, {"mk_MK", 0x042F}, {"ml_IN", 0x044C},
    {"mn_MN", 0x0450}, {"mr_IN", 0x044E}, {"ms_BN", 0x083E}, {"ms_MY", 0x043E}, {"mt_MT", 0x043A},
    {"nb_NO", 0x0414}, {"ne_NP", 0x0461}, {"nl_BE", 0x0813}, {"nl_NL", 0x0413}, {"nn_NO", 0x0814},
    {"no_NO", 0x0414}, {"oc_FR", 0x0482}, {"or_IN", 0x0448}, {"pa_IN", 0x0446}, {"pl_PL", 0x0415},
    {"ps_AF", 0x0463}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"rm_CH", 0x0417}, {"ro_RO", 0x0418},
    {"ru_RU", 0x0419}, {"rw_RW", 0x0487}, {"sa_IN", 0x044F}, {"se_FI", 0x0C3B}, {"se_NO", 0x043B},
    {"se_SE", 0x083B}, {"si_LK", 0x045B}, {"sk_SK", 0x041B}, {"sl_SI", 0x0424}, {"sq_AL", 0x041C},
    {"sr_ME", 0x301A}, {"sr_ME@latin", 0x2C1A}, {"sr_RS", 0x281A}, {"sr_RS@latin", 0x241A},
    {"sv_FI", 0x081D}, {"sv_SE", 0x041D}, {"sw_KE", 0x0441}, {"ta_IN", 0x0449}, {"te_IN", 0x044A},
    {"tg_TJ", 0x0428}, {"th_TH", 0x041E}, {"tk_TM", 0x0442}, {"tn_ZA", 0x0432}, {"tr_TR", 0x041F},
    {"tt_RU", 0x0444}, {"ug_CN", 0x0480}, {"uk_UA", 0x0422}, {"ur_PK", 0x0420}, {"uz_UZ", 0x0443},
    {"vi_VN", 0x042A}, {"wo_SN", 0x0488}, {"xh_ZA", 0x0434}, {"yo_NG", 0x046A}, {"zh_CN", 0x0804},
    {"zh_HK", 0x0C04}, {"zh_MO", 0x1404}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404}, {"zu_ZA", 0x0435},
};

// The first non-empty of LC_ALL, the category's own variable and LANG, as
// POSIX resolves a category; null when none is set.
const char* CategoryLocaleName(const char* category) {
  for (const char* variable : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return nullptr;
}

bool IsPortableLocale(const char* name) {
  return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
         std::strncmp(name, "C.", 2) == 0 || std::strncmp(name, "POSIX.", 6) == 0;
}

bool AllOf(const std::string& s, int (*test)(int)) {
  for (char c : s)
    if (test(static_cast<unsigned char>(c)) == 0) return false;
  return true;
}

// language[_TERRITORY][.codeset][@modifier] to a locale id: 0 when the name
// is C, POSIX or cannot be read as a locale name.
std::uint32_t LocaleIdOfName(const char* name) {
  if (IsPortableLocale(name)) return 0;
  std::string rest = name;
  std::string modifier;
  if (const auto at = rest.find('@'); at != std::string::npos) {
    modifier = rest.substr(at + 1);
    rest.erase(at);
    if (modifier.empty()) return 0;
  }
  if (const auto dot = rest.find('.'); dot != std::string::npos) {
    if (dot + 1 == rest.size()) return 0;
    rest.erase(dot);
  }
  std::string language = rest;
  std::string territory;
  if (const auto underscore = rest.find('_'); underscore != std::string::npos) {
    language = rest.substr(0, underscore);
    territory = rest.substr(underscore + 1);
    const bool letters = territory.size() == 2 && AllOf(territory, std::isalpha);
    const bool digits = territory.size() == 3 && AllOf(territory, std::isdigit);
    if (!letters && !digits) return 0;
  }
  if (language.size() < 2 || language.size() > 3 || !AllOf(language, std::isalpha)) return 0;
  for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : territory) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  const std::string pair = language + "_" + territory;
  std::uint32_t languageOnly = 0;
  for (const KnownLocale& known : KnownLocales) {
    const std::string knownName = known.Name;
    if (!territory.empty() && knownName == pair + "@" + modifier) return known.Id;
    const std::string knownLanguage = knownName.substr(0, knownName.find('_'));
    if (knownLanguage == language && languageOnly == 0) languageOnly = known.Id & 0x3FF;
  }
  if (!territory.empty()) {
    for (const KnownLocale& known : KnownLocales)
      if (pair == known.Name) return known.Id;
  }
  // A language alone is its neutral id (the primary language, no sub-language).
  if (territory.empty() && languageOnly != 0) return languageOnly;
  return UnspecifiedLocale;
}

}  // namespace

std::uint32_t ThreadLocaleId() {
  const char* name = CategoryLocaleName("LC_MESSAGES");
  return name == nullptr ? 0 : LocaleIdOfName(name);
}

int LocaleInfoText(std::uint32_t, std::uint32_t type, char16_t* buffer, int size) {
  // The separators follow the numeric locale, which may differ from the one
  // that chose the locale id; C and POSIX leave the defaults.
  if (type != LocaleThousandsSeparator && type != LocaleDecimalSeparator) return 0;
  const char* name = CategoryLocaleName("LC_NUMERIC");
  if (name == nullptr || IsPortableLocale(name)) return 0;
  const locale_t locale =
      newlocale(LC_NUMERIC_MASK | LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return 0;
  const locale_t previous = uselocale(locale);
  const lconv* conventions = std::localeconv();
  const std::string setting =
      type == LocaleThousandsSeparator ? conventions->thousands_sep : conventions->decimal_point;
  uselocale(previous);
  std::u16string text = Linux::DecodeInCharacterSet(setting, locale);
  freelocale(locale);
  for (char16_t c : text)
    if (c == 0xFFFD) return 0;  // a setting that does not decode is no setting
  if (static_cast<int>(text.size()) + 1 > size) return 0;
  for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = text[i];
  buffer[text.size()] = u'\0';
  return static_cast<int>(text.size()) + 1;
}

}  // namespace Platform
