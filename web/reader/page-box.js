// The page number box: shows the page in view ("3" of "12") and goes to the
// page typed on Enter; Escape or leaving the box puts the current one back.

export class PageBox {
  constructor(input, countLabel, goToPage) {
    this.input = input;
    this.countLabel = countLabel;
    this.page = 0;
    this.count = 0;
    input.addEventListener('keydown', (event) => {
      if (event.key === 'Enter') {
        event.preventDefault();
        const typed = Number.parseInt(input.value, 10);
        if (Number.isInteger(typed) && this.count > 0) goToPage(Math.min(this.count, Math.max(1, typed)) - 1);
        this.show(this.page, this.count);
        input.blur();
      } else if (event.key === 'Escape') {
        this.show(this.page, this.count);
        input.blur();
      }
    });
    input.addEventListener('blur', () => this.show(this.page, this.count));
  }

  show(page, count) {
    this.page = page;
    this.count = count;
    this.input.disabled = count === 0;
    if (document.activeElement !== this.input) this.input.value = count ? String(page + 1) : '';
    this.countLabel.textContent = `of ${count}`;
  }

  ask() {
    if (this.input.disabled) return;
    this.input.focus();
    this.input.select();
  }
}
