#pragma once

#include <QString>

// Short texts for counts. Scaled figures have one decimal, rounded correctly
// on the exact double (ties to even), with a full stop whatever the locale:
// 1.2K, 3.4M, 1.5B.
namespace TokenFormatter {

// `value` with `decimals` decimals (0 to 20), as printf's "%.Nf" writes it:
// rounded on the exact double, ties to even (0.125 gives 0.12), with a full
// stop and no grouping in every locale.
QString fixed(double value, int decimals);

// Token counts: plain digits below 1,000, then K, M and B.
QString format(qint64 n);

// Other counts: below 10,000 grouped in the user's locale (9,999 or 9.999),
// then K from 10,000 and M from 1,000,000. No billions: 1e9 gives 1000.0M.
QString formatCount(qint64 n);

// A chart axis value: scaled like a token count from 1,000 up (negative
// values alike), but without a decimal that says nothing: 0, 500, 2.5K, 10K.
QString formatAxisValue(double value);

} // namespace TokenFormatter
