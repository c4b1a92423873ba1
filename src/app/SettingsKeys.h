#pragma once
#include <QByteArray>
namespace tirvelo::settings {
inline constexpr QByteArrayView Section = "Tirvelo";
inline constexpr QByteArrayView KeyLanguage = "Idioma";
inline constexpr QByteArrayView KeyScanning = "Escaneig";
inline constexpr QByteArrayView LanguageCatalan = "Catala";
inline constexpr QByteArrayView LanguageSpanish = "Castellano";
inline constexpr QByteArrayView LanguagePortuguese = "Portugues";
inline constexpr QByteArrayView ScanningOn = "s\xED";
inline constexpr QByteArrayView ScanningOff = "no";
inline constexpr QByteArrayView ScanningReadDefault = "NO";
inline constexpr QByteArrayView LanguageReadDefault = "Catala";
} // namespace tirvelo::settings
