#include "engine/capture/capturescripts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace {

// `text` as a JavaScript string literal.
QString jsString(const QString& text)
{
    const QByteArray json = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

// Sets `property` to `value` on every element whose computed position is
// `position` and keeps what the element had in window.__pagelithSaved[list] for
// restore(). The frame marker is the capture's own and keeps its style. Returns how
// many elements the list holds.
QString overridePositioned(
    const char* position, const char* property, const char* value, const char* list)
{
    return QStringLiteral(R"JS((function () {
  var s = window.__pagelithSaved = window.__pagelithSaved || { sticky: [], fixed: [] };
  var all = document.querySelectorAll('*');
  for (var i = 0; i < all.length; ++i) {
    var el = all[i];
    if (el.id !== '__pagelith_marker' && getComputedStyle(el).position === '%1') {
      s.%4.push([el, el.style.getPropertyValue('%2'), el.style.getPropertyPriority('%2')]);
      el.style.setProperty('%2', '%3', 'important');
    }
  }
  return s.%4.length;
})())JS")
        .arg(QLatin1String(position), QLatin1String(property), QLatin1String(value),
            QLatin1String(list));
}

} // namespace

namespace CaptureScripts {

QString measure()
{
    return QStringLiteral(R"JS((function () {
  var b = document.body, d = document.documentElement;
  var r = { hasBody: !!b, quirks: document.compatMode !== 'CSS1Compat',
            docW: d ? d.scrollWidth : 0, docH: d ? d.scrollHeight : 0,
            viewW: window.innerWidth, viewH: window.innerHeight };
  if (b) {
    r.sw = b.scrollWidth; r.ow = b.offsetWidth; r.cw = b.clientWidth;
    r.sh = b.scrollHeight; r.oh = b.offsetHeight; r.ch = b.clientHeight;
  }
  return r;
})())JS");
}

QString stripBodyFrame()
{
    return QStringLiteral(R"JS((function () {
  var b = document.body;
  var s = window.__pagelithSaved = window.__pagelithSaved || { sticky: [], fixed: [] };
  if (!b || s.body) return !!b;
  var d = document.documentElement;
  s.body = { scroll: b.getAttribute('scroll'), border: b.style.border,
             margin: b.style.margin, rootOverflow: d.style.overflow };
  b.setAttribute('scroll', 'no');
  b.style.border = '0px';
  // The scroll bars go by hiding the viewport's overflow through the root element.
  // Hidden on the body instead, a page whose root sets its own overflow would make
  // the body a clipping box one view tall, and every tile would show the top.
  d.style.overflow = 'hidden';
  b.style.margin = '0px';
  return true;
})())JS");
}

QString unstickElements()
{
    return overridePositioned("sticky", "position", "static", "sticky");
}

QString pinFixedElements()
{
    return QStringLiteral(R"JS((function () {
  var s = window.__pagelithSaved = window.__pagelithSaved || { sticky: [], fixed: [] };
  s.pinned = s.pinned || [];
  var all = document.querySelectorAll('*'), found = [];
  for (var i = 0; i < all.length; ++i) {
    if (all[i].id !== '__pagelith_marker' && getComputedStyle(all[i]).position === 'fixed')
      found.push(all[i]);
  }
  // Every place is read before any is changed: pinning one must not move the next.
  var places = found.map(function (el) { return el.getBoundingClientRect(); });
  var x = window.scrollX, y = window.scrollY;
  found.forEach(function (el, i) {
    var r = places[i], st = el.style;
    s.pinned.push([el, el.getAttribute('style')]);
    var set = { position: 'absolute', top: (r.top + y) + 'px', left: (r.left + x) + 'px',
                bottom: 'auto', right: 'auto', width: r.width + 'px', height: r.height + 'px',
                margin: '0px', transform: 'none', 'box-sizing': 'border-box' };
    for (var k in set) st.setProperty(k, set[k], 'important');
  });
  // An element placed inside a positioned or transformed ancestor is not placed on
  // the page: it is moved by what it is off, ancestors first.
  found.forEach(function (el, i) {
    var r = places[i], now = el.getBoundingClientRect();
    if (now.top !== r.top)
      el.style.setProperty('top', (parseFloat(el.style.top) + r.top - now.top) + 'px', 'important');
    if (now.left !== r.left)
      el.style.setProperty('left', (parseFloat(el.style.left) + r.left - now.left) + 'px', 'important');
  });
  return found.length;
})())JS");
}

QString hideFixedElements()
{
    return overridePositioned("fixed", "visibility", "hidden", "fixed");
}

QString showFixedElements()
{
    return QStringLiteral(R"JS((function () {
  var s = window.__pagelithSaved;
  if (!s) return 0;
  var n = s.fixed.length;
  s.fixed.forEach(function (e) { e[0].style.setProperty('visibility', e[1], e[2]); });
  s.fixed = [];
  return n;
})())JS");
}

QString restore(int x, int y)
{
    return QStringLiteral(R"JS((function () {
  var s = window.__pagelithSaved;
  if (s) {
    var b = document.body;
    if (b && s.body) {
      if (s.body.scroll === null) b.removeAttribute('scroll'); else b.setAttribute('scroll', s.body.scroll);
      b.style.border = s.body.border;
      b.style.margin = s.body.margin;
      document.documentElement.style.overflow = s.body.rootOverflow;
    }
    s.sticky.forEach(function (e) { e[0].style.setProperty('position', e[1], e[2]); });
    s.fixed.forEach(function (e) { e[0].style.setProperty('visibility', e[1], e[2]); });
    (s.pinned || []).forEach(function (e) {
      if (e[1] === null) e[0].removeAttribute('style'); else e[0].style.cssText = e[1]; });
    delete window.__pagelithSaved;
  }
  var m = document.getElementById('__pagelith_marker');
  if (m) m.remove();
  window.scrollTo(%1, %2);
  // The view's smaller size reaches the page a frame or two later; only then can
  // it scroll that far again.
  requestAnimationFrame(function () { requestAnimationFrame(function () {
    window.scrollTo(%1, %2); }); });
  return true;
})())JS")
        .arg(x)
        .arg(y);
}

QString scrollAndMark(int y, unsigned rgb, int column)
{
    // The marker hangs off the root element, outside the body, so that no body
    // style, transform or text extraction touches it; every property that could
    // move, hide or tint it is set outright. Fixed, it adds nothing to the page's
    // scrolled size, even where it lies beyond the layout's width.
    return QStringLiteral(R"JS((function () {
  var m = document.getElementById('__pagelith_marker');
  if (!m) {
    m = document.createElement('div');
    m.id = '__pagelith_marker';
    m.style.cssText = 'all: initial !important; display: block !important;'
      + ' position: fixed !important; top: 0 !important; left: %3px !important;'
      + ' width: 1px !important; height: 100% !important; margin: 0 !important;'
      + ' z-index: 2147483647 !important; pointer-events: none !important;';
    document.documentElement.appendChild(m);
  }
  m.style.setProperty('left', '%3px', 'important');
  m.style.setProperty('background', '#%2', 'important');
  window.scrollTo(0, %1);
  return window.scrollY;
})())JS")
        .arg(y)
        .arg(rgb & 0xffffff, 6, 16, QLatin1Char('0'))
        .arg(column);
}

QString removeMarker()
{
    return QStringLiteral("(function () { var m = document.getElementById('__pagelith_marker');"
                          " if (m) m.remove(); return true; })()");
}

QString loadLazyContent()
{
    return QStringLiteral(R"JS((function () {
  // A lazy frame near the top was loaded with the page: its load event is gone
  // and will not come again. Its own document says so where it can be read; a
  // frame of another site shows its load in the page's resource timing instead.
  function loaded(frame) {
    var d = null;
    try { d = frame.contentDocument; } catch (e) {}
    if (d) {
      var blank = !frame.getAttribute('src') || frame.src === 'about:blank';
      return d.readyState === 'complete' && (d.URL !== 'about:blank' || blank);
    }
    try {
      return !!frame.src && performance.getEntriesByName(frame.src).some(function (t) {
        return t.initiatorType === 'iframe'; });
    } catch (e) { return false; }
  }
  var lazy = document.querySelectorAll('img[loading="lazy"], iframe[loading="lazy"]');
  var frames = window.__pagelithFrames = window.__pagelithFrames || [];
  for (var i = 0; i < lazy.length; ++i) {
    var el = lazy[i];
    if (el.tagName === 'IFRAME' && !loaded(el)) {
      var f = { done: false };
      var end = function () { this.done = true; }.bind(f);
      el.addEventListener('load', end, { once: true });
      el.addEventListener('error', end, { once: true });
      frames.push(f);
    }
    el.loading = 'eager';
  }
  return lazy.length;
})())JS");
}

QString pendingContent()
{
    return QStringLiteral(R"JS((function () {
  var n = 0;
  var images = document.images;
  for (var i = 0; i < images.length; ++i)
    if (!images[i].complete) ++n;
  (window.__pagelithFrames || []).forEach(function (f) { if (!f.done) ++n; });
  return n;
})())JS");
}

QString stillnessProbe()
{
    // The animations are settled first: a page whose layout a CSS animation moves is
    // still once that animation is at its end.
    return QStringLiteral(R"JS((function () {
  var all = document.getAnimations ? document.getAnimations() : [];
  for (var i = 0; i < all.length; ++i) {
    var a = all[i];
    try {
      var t = a.effect ? a.effect.getComputedTiming() : null;
      if (!t) continue;
      if (t.activeDuration === Infinity) {
        a.pause();
        a.currentTime = Math.max(0, t.delay || 0);
      } else if (a.playState !== 'finished') {
        a.finish();
      }
    } catch (e) {}
  }
  var d = document.documentElement, b = document.body;
  // The boxes of the first elements, folded into one number: the parts a reader
  // sees first moving is a change, even when the page keeps its size.
  var els = document.getElementsByTagName('*'), h = 0;
  for (var j = 0, n = Math.min(els.length, 3000); j < n; ++j) {
    var e = els[j];
    h = (h * 31 + (e.offsetTop | 0) * 7 + (e.offsetLeft | 0) * 3 + (e.offsetWidth | 0)
         + (e.offsetHeight | 0) * 5) | 0;
  }
  return { fonts: !document.fonts || document.fonts.status === 'loaded',
           shape: [d ? d.scrollWidth : 0, d ? d.scrollHeight : 0, b ? b.scrollWidth : 0,
                   b ? b.scrollHeight : 0, els.length, h].join() };
})())JS");
}

QString hasElement(const QString& selector)
{
    return QStringLiteral("(function () { try { return !!document.querySelector(%1); }"
                          " catch (e) { return false; } })()")
        .arg(jsString(selector));
}

QString elementBox(const QString& selector)
{
    return QStringLiteral(R"JS((function (selector) {
  var e;
  try { e = document.querySelector(selector); } catch (err) { return { invalid: true }; }
  if (!e) return { found: false };
  var r = e.getBoundingClientRect();
  return { found: true, x: r.left + window.scrollX, y: r.top + window.scrollY,
           w: r.width, h: r.height };
})(%1))JS")
        .arg(jsString(selector));
}

QString hideElements(const QString& hide, const QStringList& banners, bool heuristic)
{
    return QStringLiteral(R"JS((function (hide, banners, heuristic) {
  var n = 0;
  function apply(selector, property, value) {
    var found;
    try { found = document.querySelectorAll(selector); } catch (e) { return; }
    for (var i = 0; i < found.length; ++i) {
      found[i].style.setProperty(property, value, 'important');
      ++n;
    }
  }
  if (hide) apply(hide, 'visibility', 'hidden');
  banners.forEach(function (selector) { apply(selector, 'display', 'none'); });
  if (!heuristic) return n;
  // A banner speaks of cookies or consent and asks for an answer; a fixed footer
  // that only links to a cookie policy offers no such button.
  // Words and answers in the languages of the EU: banners are in the page's own.
  var words = /\bcookies?\b|cookie-uri|consent|gdpr|rgpd|dsgvo|datenschutz|we value your privacy|privacy (settings|preferences|choices)|témoins|ciasteczk|pliki cookie|soubory cookie|súbory cookie|evästee|kakor|sütik|sīkdatn|slapuk|küpsis|piškot|kolačić|бисквитк|μπισκότ|privacidad|confidentialité|riservatezza|privacidade|prywatnoś/i;
  var answers = /accept|agree|allow|got it|\bok\b|reject|decline|refuse|akzeptier|zustimm|einverstanden|verstanden|annehmen|erlauben|ablehnen|accepter|j'accepte|d'accord|autoriser|compris|refuser|aceptar|acepto|de acuerdo|entendido|rechazar|permitir|accett|ho capito|consent|rifiut|akkoord|accepte|ik snap het|begrepen|toestaan|weiger|aceit|concordo|entendi|rejeitar|recusar|akceptuj|zgadzam|zgoda|rozumiem|odrzu|zezwól|acceptera|godkänn|jag förstår|tillåt|avvisa|neka|tillad|jeg forstår|afvis|hyväksy|ymmärrän|salli|hylkää|přijmout|souhlasím|rozumím|povolit|odmítnout|prijať|súhlasím|rozumiem|povoliť|odmietnuť|elfogad|egyetértek|értem|engedélyez|elutasít|sunt de acord|am înțeles|permite|refuz|αποδοχ|αποδέχ|συμφων|κατάλαβα|απόρριψ|приемам|съгласен|разбрах|отказ|prihvać|prihvati|slažem se|razumijem|odbij|sprejm|strinjam se|razumem|zavrni|sutinku|priimti|suprantu|atmesti|piekrītu|pieņemt|sapratu|noraidīt|nõustun|nõus|sain aru|keeldu|manage|settings|preferences|customi[sz]e/i;
  var all = document.querySelectorAll('body *');
  for (var i = 0; i < all.length; ++i) {
    var el = all[i], style = getComputedStyle(el);
    if ((style.position !== 'fixed' && style.position !== 'sticky') || style.display === 'none')
      continue;
    var text = el.innerText || '';
    if (text.length > 5000 || !words.test(text)) continue;
    var buttons = el.querySelectorAll('button, [role="button"], a, input[type="button"], input[type="submit"]');
    var asks = false;
    for (var j = 0; j < buttons.length && !asks; ++j)
      asks = answers.test(buttons[j].innerText || buttons[j].value || '');
    if (!asks) continue;
    el.style.setProperty('display', 'none', 'important');
    ++n;
  }
  return n;
})(%1, %2, %3))JS")
        .arg(jsString(hide),
            QString::fromUtf8(
                QJsonDocument(QJsonArray::fromStringList(banners)).toJson(QJsonDocument::Compact)),
            heuristic ? QStringLiteral("true") : QStringLiteral("false"));
}

QString scrollPosition()
{
    return QStringLiteral("[window.scrollX, window.scrollY]");
}

QString logAfterTwoFrames(const QString& message)
{
    return QStringLiteral("requestAnimationFrame(function () { requestAnimationFrame(function () {"
                          " console.log('%1'); }); }); true")
        .arg(message);
}

QString markAfterTwoFrames(int token)
{
    return QStringLiteral("requestAnimationFrame(function () { requestAnimationFrame(function () {"
                          " window.__pagelithFrame = %1; }); }); true")
        .arg(token);
}

QString readFrameMark()
{
    return QStringLiteral("window.__pagelithFrame === undefined ? -1 : window.__pagelithFrame");
}

QString readyState()
{
    return QStringLiteral("document.readyState");
}

QString bodyHtml()
{
    return QStringLiteral("document.body ? document.body.innerHTML : ''");
}

} // namespace CaptureScripts
