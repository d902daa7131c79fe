// The desktop reader's keys, as actions. `ctrl` covers Command on a Mac;
// `shift: 'any'` matches either (Ctrl+plus needs Shift on most layouts).
// While a text field has the focus only the keys marked `anywhere` act.

const BINDINGS = [
  { key: 'ArrowRight', action: 'nextPage' },
  { key: 'PageDown', action: 'nextPage' },
  { key: 'ArrowLeft', action: 'previousPage' },
  { key: 'PageUp', action: 'previousPage' },
  { key: 'ArrowDown', action: 'stepDown' },
  { key: 'ArrowUp', action: 'stepUp' },
  { key: ' ', action: 'screenDown' },
  { key: ' ', shift: true, action: 'screenUp' },
  { key: 'Home', action: 'pageTop' },
  { key: 'End', action: 'pageEnd' },
  { key: 'Home', ctrl: true, action: 'firstPage' },
  { key: 'End', ctrl: true, action: 'lastPage' },
  { key: 'g', action: 'askPage' },
  { key: 'g', ctrl: true, action: 'askPage', anywhere: true },
  { key: '+', ctrl: true, shift: 'any', action: 'zoomIn', anywhere: true },
  { key: '=', ctrl: true, shift: 'any', action: 'zoomIn', anywhere: true },
  { key: '-', ctrl: true, shift: 'any', action: 'zoomOut', anywhere: true },
  { key: 'i', ctrl: true, action: 'invert', anywhere: true },
  { key: 'F9', action: 'thumbnails', anywhere: true },
  { key: 'f', ctrl: true, action: 'search', anywhere: true },
  { key: 'F3', action: 'nextHit', anywhere: true },
  { key: 'F3', shift: true, action: 'previousHit', anywhere: true },
  { key: 'Escape', action: 'closeSearch', anywhere: true },
  { key: 'o', ctrl: true, action: 'open', anywhere: true },
  { key: 'a', ctrl: true, action: 'selectPage' },
];

function typingIn(target) {
  return target instanceof HTMLElement &&
    (target.isContentEditable || ['INPUT', 'TEXTAREA', 'SELECT'].includes(target.tagName));
}

// The binding's action for a key press, or null.
export function actionFor(event) {
  const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
  const ctrl = event.ctrlKey || event.metaKey;
  const typing = typingIn(event.target);
  const binding = BINDINGS.find((candidate) =>
    candidate.key === key && !!candidate.ctrl === ctrl && !event.altKey &&
    (candidate.shift === 'any' || !!candidate.shift === event.shiftKey) &&
    (!typing || candidate.anywhere));
  return binding ? binding.action : null;
}

// Runs `actions[name]()` for the keys pressed in the window.
export function listenForKeys(actions) {
  window.addEventListener('keydown', (event) => {
    const action = actionFor(event);
    if (!action || !actions[action]) return;
    event.preventDefault();
    actions[action]();
  });
}
