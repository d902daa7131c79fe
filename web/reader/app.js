// The reader's page: wires the view, the toolbar, the panels and the keys
// to one document's worker at a time.

import { documentInAddress, listenForDocuments } from './document-opener.js';
import { DocumentSession } from './document-session.js';
import { PageBox } from './page-box.js';
import { PageCanvases } from './page-canvases.js';
import { PageList } from './page-list.js';
import { PageView } from './page-view.js';
import { listenForKeys } from './reader-keys.js';
import { documentKey, recall, remember } from './remembered.js';
import { SearchPanel } from './search-panel.js';
import { Status } from './status.js';
import { TextSelection } from './text-selection.js';
import { OutlinePanel } from './outline-panel.js';
import { Thumbnails } from './thumbnails.js';
import { ZoomControls } from './zoom-controls.js';

const byId = (id) => document.getElementById(id);
const viewport = byId('viewport');
const view = new PageView(viewport, byId('column'));
const canvases = new PageCanvases(view, byId('column'));
const status = new Status({ banner: byId('banner'), progress: byId('progress'), progressText: byId('progress-text') });
const pageBox = new PageBox(byId('page-box'), byId('page-count'), (page) => moveTo(page));
const thumbnails = new Thumbnails(byId('thumbnails'), (page) => moveTo(page));
const outline = new OutlinePanel(byId('outline'), byId('outline-button'), (page) => moveTo(page));
const search = new SearchPanel({
  bar: byId('search-bar'), input: byId('search-box'), previous: byId('search-previous'),
  next: byId('search-next'), status: byId('search-status'), close: byId('search-close'),
}, view, canvases);
const selection = new TextSelection(view, canvases);
new ZoomControls({
  zoomIn: byId('zoom-in'), zoomOut: byId('zoom-out'), zoomBox: byId('zoom-box'),
  fitWidth: byId('fit-width'), fitPage: byId('fit-page'),
}, view);

// The document open now: its worker, pages, and where it is remembered.
let shown = null;

function markMoved() {
  if (shown) shown.userMoved = true;
}

function moveTo(page) {
  markMoved();
  view.goToPage(page);
}

function openDocument(source, name) {
  shown?.session.close();
  const session = new DocumentSession();
  shown = { session, name, keyName: source.url ?? name, key: null, received: 0, userMoved: false, restoreTried: false };
  status.clearMessage();
  status.setTitle(name);
  status.showProgress(0, source.file?.size ?? 0);
  byId('welcome').hidden = true;
  canvases.setSession(session);
  search.reset(session);
  selection.reset(session);
  outline.show([]);
  showPages(new PageList(0));
  if (source.file) shown.key = documentKey(shown.keyName, source.file.size);
  listenTo(session, shown);
  session.open({ ...source, name });
}

function showPages(pageList) {
  shown.pageList = pageList;
  thumbnails.setDocument(shown.session, pageList);
  view.setPages(pageList);
}

function listenTo(session, reading) {
  const on = (type, handle) => session.addEventListener(type, (event) => {
    if (shown === reading) handle(event.detail);
  });
  on('progress', ({ received, total }) => {
    status.showProgress(received, total);
    reading.received = received;
    if (!reading.key && total > 0) reading.key = documentKey(reading.keyName, total);
  });
  on('opened', ({ pageCount, title }) => {
    if (title) status.setTitle(title);
    showPages(new PageList(pageCount));
    restorePlace();
  });
  on('pages', ({ infos }) => {
    if (!Array.isArray(infos) || !reading.pageList.add(infos)) return;
    view.pagesChanged();
    thumbnails.pagesChanged();
  });
  on('complete', ({ state, message }) => {
    status.hideProgress();
    reading.pageList.finish();
    view.pagesChanged();
    thumbnails.pagesChanged();
    if (message || state !== 'whole') status.showMessage(message || 'The document could not be read to its end.');
    if (!reading.key) reading.key = documentKey(reading.keyName, reading.received);
    restorePlace();
  });
  // The title is stored after the pages: told with the text once all arrived.
  on('text', ({ title, outline: entries }) => {
    if (title) status.setTitle(title);
    outline.show(entries);
  });
  on('error', ({ message }) => {
    status.hideProgress();
    // The worker's reason may name the file already.
    const reason = typeof message === 'string' && message ? message : 'it could not be read.';
    status.showMessage(reason.startsWith(reading.name) ? reason : `${reading.name} cannot be opened: ${reason}`);
    reading.restoreTried = false;  // the place kept for it stays as it was
    showPages(new PageList(0));
    byId('welcome').hidden = false;
    session.close();
  });
}

// Back to the page and zoom the document was left at, unless the reader
// has moved since it opened.
function restorePlace() {
  if (!shown.key || shown.restoreTried || shown.pageList.count === 0) return;
  shown.restoreTried = true;
  const saved = recall(shown.key);
  if (!saved || shown.userMoved) return;
  view.setZoom(saved.zoom);
  view.goToPage(saved.page);
}

function rememberPlace() {
  if (shown?.restoreTried) remember(shown.key, view.currentPage, view.zoom);
}

view.addEventListener('pagechange', () => {
  pageBox.show(view.currentPage, view.pageCount);
  thumbnails.setCurrent(view.currentPage);
  rememberPlace();
});
view.addEventListener('zoomchange', rememberPlace);
for (const type of ['wheel', 'pointerdown']) {
  viewport.addEventListener(type, markMoved, { passive: true });
}

function toggleInvert() {
  const inverted = viewport.classList.toggle('inverted');
  byId('invert').setAttribute('aria-pressed', String(inverted));
}

function toggleThumbnails() {
  thumbnails.toggle();
  byId('thumbnails-button').setAttribute('aria-pressed', String(thumbnails.shown));
}

const fileInput = byId('file-input');
const moving = (move) => () => { markMoved(); move(); };
listenForKeys({
  nextPage: () => moveTo(view.currentPage + 1),
  previousPage: () => moveTo(view.currentPage - 1),
  firstPage: () => moveTo(0),
  lastPage: () => moveTo(view.pageCount - 1),
  pageTop: () => moveTo(view.currentPage),
  pageEnd: moving(() => view.pageEnd()),
  stepDown: moving(() => view.scrollSteps(1)),
  stepUp: moving(() => view.scrollSteps(-1)),
  screenDown: moving(() => view.scrollScreens(1)),
  screenUp: moving(() => view.scrollScreens(-1)),
  askPage: () => pageBox.ask(),
  zoomIn: () => byId('zoom-in').click(),
  zoomOut: () => byId('zoom-out').click(),
  invert: toggleInvert,
  thumbnails: toggleThumbnails,
  search: () => search.open(),
  nextHit: () => search.step(true),
  previousHit: () => search.step(false),
  closeSearch: () => search.close(),
  open: () => fileInput.click(),
  selectPage: () => selection.selectPage(),
});

byId('open').addEventListener('click', () => fileInput.click());
byId('invert').addEventListener('click', toggleInvert);
byId('thumbnails-button').addEventListener('click', toggleThumbnails);
byId('search-button').addEventListener('click', () => (search.shown ? search.close() : search.open()));
// Toolbar buttons leave the keyboard focus where it was, so Space pages on.
for (const button of document.querySelectorAll('#toolbar button')) {
  button.addEventListener('mousedown', (event) => event.preventDefault());
}

listenForDocuments({ fileInput, dropTarget: document.body }, openDocument);
const asked = documentInAddress(window.location);
if (asked?.source) openDocument(asked.source, asked.name);
else if (asked) status.showMessage(`"${asked.name}" is not an address a document can be fetched from.`);
pageBox.show(0, 0);
viewport.focus();
