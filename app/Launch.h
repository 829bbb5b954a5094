// SPDX-License-Identifier: GPL-3.0-or-later
// Handing an address to the desktop. The desktop's launchers pass a local file on by its path and drop
// the anchor of its address ("page.html#topic" opens at the top of the page), so such an address is
// handed over as a small page of our own that forwards the browser to the whole address.
#pragma once

#include <QString>
#include <QUrl>

// A page that sends the browser on to `target` at once, with a link to follow by hand.
QString ForwardingPageText(const QUrl& target);

// What to hand to the desktop for `url`: for a local file with an anchor, a forwarding page written into
// `folder` (one file per address, made anew each time); otherwise, or when that page cannot be written,
// `url` itself.
QUrl AddressForLauncher(const QUrl& url, const QString& folder);
