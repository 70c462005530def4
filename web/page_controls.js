// The page around the game on phones, tablets and big screens (loaded by
// index.html before the game's scripts; the program reaches it as
// Module.pageControls):
// - the display's size: the page's drawing area in device pixels, so the
//   picture is sharp at the page's own shape (at least 4:3: a narrower page
//   gets bars above and below);
// - touch buttons for what keys do (pause in a round, the settings panel),
//   and a "Full screen" button on touch devices;
// - a prompt to turn a phone held upright (a round pauses under it);
// - a real text field for the name entry, so a touch device's own keyboard
//   types the name, with a shield over the game that keeps stray taps from
//   ending the entry.
var pageControls = (function () {
  'use strict';
  // The canvas holds at most this many pixels (a 2560 x 1600 display's): a
  // bigger screen gets a picture the browser scales up a little.
  var MAX_PIXELS = 2560 * 1600;
  // A resize settles for this long before the game opens its display again
  // (a window dragged to a new size would otherwise reopen it every frame).
  var SETTLE_MS = 250;
  // A key pressed by a button stays down this long: any frame rate sees it.
  var KEY_HOLD_MS = 120;
  // After the name is done, taps stay off the game this long: a hurried
  // second tap must not start something on the title screen.
  var SHIELD_AFTER_MS = 500;
  // The game tells the screen it draws every frame; a screen not told for
  // this long is gone (the pause menu, the name entry, the closing page).
  var SCREEN_GONE_MS = 300;
  var SCREEN_TITLE = 1, SCREEN_ROUND = 2;
  // The buttons' row stands at the picture's right edge this far down: below
  // the settings panel when it is out, above the title's score panel, beside
  // the round's table.
  var BAR_TOP = 0.35;

  var touch = matchMedia('(pointer: coarse)').matches;
  var keys = [];
  var seen = {};            // screen number -> when the game last drew it
  var shown = 0;            // the screen the buttons are laid out for
  var wanted = null;        // [width, height] the display should have
  var settleTimer = 0;
  var field = null;         // the text field's state while it is open
  var shieldTimer = 0;

  function $(id) { return document.getElementById(id); }

  function upright() { return touch && innerHeight > innerWidth; }

  // The drawing area in CSS pixels and in device pixels (capped).
  function drawingArea() {
    var w = Math.max(1, innerWidth), h = Math.max(1, innerHeight);
    if (w * 3 < h * 4) h = Math.max(1, Math.floor(w * 3 / 4));
    var ratio = devicePixelRatio || 1;
    var pw = Math.round(w * ratio), ph = Math.round(h * ratio);
    if (pw * ph > MAX_PIXELS) {
      var k = Math.sqrt(MAX_PIXELS / (pw * ph));
      pw = Math.floor(pw * k);
      ph = Math.floor(ph * k);
    }
    return [Math.max(1, pw), Math.max(1, ph)];
  }

  // The size the game's display should have now. It holds while the name is
  // typed (a phone's keyboard may resize the page) and while a phone is held
  // upright (the prompt covers the game; turning back gives the same size).
  function displaySize() {
    if (!wanted) wanted = drawingArea();
    return wanted;
  }

  function pageResized() {
    clearTimeout(settleTimer);
    settleTimer = setTimeout(function () {
      if (field || (upright() && wanted)) return;
      wanted = drawingArea();
    }, SETTLE_MS);
    layout();
  }

  // ---------------------------------------------------------------- keys from the buttons
  function press(code) {
    var now = performance.now();
    keys.push({ code: code, down: true, due: now }, { code: code, down: false, due: now + KEY_HOLD_MS });
  }

  // One key event a call, code * 2 + 1 going down, code * 2 going up; -1 none.
  function takeKey() {
    if (!keys.length || keys[0].due > performance.now()) return -1;
    var k = keys.shift();
    return k.code * 2 + (k.down ? 1 : 0);
  }

  // ---------------------------------------------------------------- the screen shown
  function showScreen(screen) {
    seen[screen] = performance.now();
    if (screen !== shown) layout();
  }

  function current() {
    var now = performance.now();
    for (var s in seen) if (now - seen[s] < SCREEN_GONE_MS) return +s;
    return 0;
  }

  function layout() {
    var canvas = Module.canvas || $('canvas');
    var was = shown;
    shown = current();
    var turn = upright();
    $('turn').hidden = !turn;
    // Turned upright in the middle of a round: the round pauses.
    if (turn && !$('turn').dataset.paused && shown === SCREEN_ROUND) press(27);
    $('turn').dataset.paused = turn ? '1' : '';
    var bar = $('touch-bar');
    bar.hidden = !touch || turn || !!field || !canvas;
    if (bar.hidden) return;
    var rect = canvas.getBoundingClientRect();
    bar.style.top = Math.max(0, rect.top + rect.height * BAR_TOP) + 'px';
    bar.style.right = Math.max(0, innerWidth - rect.right) + 'px';
    $('pause-button').hidden = shown !== SCREEN_ROUND;
    $('settings-button').hidden = shown !== SCREEN_ROUND && shown !== SCREEN_TITLE;
    $('full-button').hidden = !document.fullscreenEnabled || !!document.fullscreenElement;
    if (was !== shown) bar.dataset.screen = shown;
  }

  function fullScreen() {
    var page = document.documentElement;
    if (!page.requestFullscreen) return;
    page.requestFullscreen({ navigationUI: 'hide' }).then(function () {
      if (screen.orientation && screen.orientation.lock) return screen.orientation.lock('landscape');
    }).catch(function () { /* a browser that says no leaves the page as it is */ });
  }

  // ---------------------------------------------------------------- the text field
  // Opened by the name entry on a touch device: true when shown.
  function openField(text, maxLength) {
    if (!touch) return false;
    clearTimeout(shieldTimer);
    field = { state: 0, text: text };
    var input = $('name-field');
    input.maxLength = maxLength;
    input.value = text;
    $('name-form').hidden = false;
    $('shield').hidden = false;
    placeField();
    layout();
    input.focus();
    input.select();
    return true;
  }

  // {state: 0 unchanged, 1 changed, 2 finished, text}; a change is told once.
  function readField() {
    if (!field || !field.state) return null;
    var read = { state: field.state, text: field.text };
    if (field.state === 1) field.state = 0;
    return read;
  }

  function closeField() {
    if (!field) return;
    field = null;
    $('name-form').hidden = true;
    $('name-field').blur();
    shieldTimer = setTimeout(function () { $('shield').hidden = true; }, SHIELD_AFTER_MS);
    var canvas = Module.canvas || $('canvas');
    if (canvas) canvas.focus();
    pageResized();
  }

  // Below the game's name, and above the keyboard when one covers the page.
  function placeField() {
    if (!field) return;
    var form = $('name-form');
    var canvas = Module.canvas || $('canvas');
    var rect = canvas.getBoundingClientRect();
    var height = form.offsetHeight || 48;
    var top = rect.top + rect.height * 0.6;
    var view = window.visualViewport;
    if (view) top = Math.min(top, view.offsetTop + view.height - height - 8);
    form.style.top = Math.max(0, top) + 'px';
  }

  function finish(event) {
    event.preventDefault();
    if (!field) return;
    field.text = $('name-field').value;
    field.state = 2;
    $('name-field').blur();
  }

  function wire() {
    var input = $('name-field');
    input.addEventListener('input', function () {
      if (!field) return;
      field.text = input.value;
      if (field.state !== 2) field.state = 1;
    });
    // Keys typed into the field are the field's: the game would take them
    // twice (and Backspace would not erase in the field).
    ['keydown', 'keyup', 'keypress'].forEach(function (type) {
      input.addEventListener(type, function (event) {
        event.stopPropagation();
        if (type === 'keydown' && event.key === 'Enter') finish(event);
      });
    });
    $('name-form').addEventListener('submit', finish);
    // A tap beside the field brings the keyboard back instead of reaching the game.
    $('shield').addEventListener('pointerdown', function (event) {
      event.preventDefault();
      event.stopPropagation();
      if (field) input.focus();
    });
    function button(id, action) {
      var b = $(id);
      b.addEventListener('pointerdown', function (event) { event.stopPropagation(); });
      b.addEventListener('click', function (event) {
        event.preventDefault();
        action();
        var canvas = Module.canvas || $('canvas');
        if (canvas) canvas.focus();
      });
    }
    button('pause-button', function () { if (current() === SCREEN_ROUND) press(27); });
    button('settings-button', function () { press(9); });
    button('full-button', fullScreen);
    button('turn-full-button', fullScreen);
    // Touch is the input while the last pointer was a finger.
    document.addEventListener('pointerdown', function (event) {
      var finger = event.pointerType === 'touch' || event.pointerType === 'pen';
      if (finger !== touch && (finger || event.pointerType === 'mouse')) {
        touch = finger;
        layout();
      }
    }, true);
    addEventListener('resize', pageResized);
    addEventListener('orientationchange', pageResized);
    document.addEventListener('fullscreenchange', layout);
    if (window.visualViewport) visualViewport.addEventListener('resize', placeField);
    setInterval(layout, 200);
    layout();
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', wire);
  else wire();

  return { displaySize: displaySize, takeKey: takeKey, showScreen: showScreen, openField: openField,
           readField: readField, closeField: closeField, press: press, fieldOpen: function () { return !!field; } };
})();
