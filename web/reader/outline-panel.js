// The document's outline: a list of its entries, indented by level, each
// going to its page when clicked. Its button is enabled once the document
// has arrived (the outline is stored after the pages); the panel does not
// open by itself, which would narrow the pages under the reader's eyes.

const INDENT_EM = 1.2;  // per level

export class OutlinePanel {
  constructor(panel, button, goToPage) {
    Object.assign(this, { panel, button, goToPage });
    button.addEventListener('click', () => this.toggle());
    this.show([]);
  }

  get shown() {
    return !this.panel.hidden;
  }

  toggle() {
    if (this.button.disabled) return;
    this.panel.hidden = !this.panel.hidden;
    this.button.setAttribute('aria-pressed', String(this.shown));
  }

  // `entries`: [{title, page (from 1), level (from 0)}].
  show(entries) {
    const list = document.createElement('ul');
    for (const entry of Array.isArray(entries) ? entries : []) {
      if (typeof entry?.title !== 'string' || !Number.isInteger(entry.page)) continue;
      const item = document.createElement('li');
      const link = document.createElement('button');
      link.type = 'button';
      link.className = 'outline-entry';
      link.textContent = entry.title;
      link.title = `Page ${entry.page}`;
      link.style.paddingLeft = `${(Number.isInteger(entry.level) ? entry.level : 0) * INDENT_EM + 0.5}em`;
      link.addEventListener('click', () => this.goToPage(entry.page - 1));
      item.append(link);
      list.append(item);
    }
    this.panel.replaceChildren(list);
    const any = list.childElementCount > 0;
    this.button.disabled = !any;
    if (!any) this.panel.hidden = true;
    this.button.setAttribute('aria-pressed', String(this.shown));
  }
}
