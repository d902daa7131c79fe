// What the reader tells: a message above the pages (never a dialog), the
// bytes received while a document arrives, and the window title.

const APP_NAME = 'kwenview';
const MEBIBYTE = 1024 * 1024;

function formatBytes(bytes) {
  return bytes >= MEBIBYTE ? `${(bytes / MEBIBYTE).toFixed(1)} MB` : `${Math.ceil(bytes / 1024)} KB`;
}

export class Status {
  constructor({ banner, progress, progressText }) {
    this.banner = banner;
    this.progress = progress;
    this.progressText = progressText;
  }

  showMessage(text) {
    this.banner.textContent = text;
    this.banner.hidden = false;
  }

  clearMessage() {
    this.banner.textContent = '';
    this.banner.hidden = true;
  }

  showProgress(received, total) {
    this.progress.hidden = false;
    this.progressText.hidden = false;
    if (total > 0) {
      this.progress.max = total;
      this.progress.value = Math.min(received, total);
      this.progressText.textContent = `${formatBytes(received)} of ${formatBytes(total)}`;
    } else {
      this.progress.removeAttribute('value');
      this.progressText.textContent = `${formatBytes(received)} received`;
    }
  }

  hideProgress() {
    this.progress.hidden = true;
    this.progressText.hidden = true;
  }

  setTitle(name) {
    document.title = name ? `${name} - ${APP_NAME}` : APP_NAME;
  }
}
